#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `action` on the modal widget of type T as soon as one is active, from
// inside the event loop that runs it. Gives up after about ten seconds and
// closes whatever modal widget is open, so a failing test cannot hang.
template <typename T>
void whenModal(std::function<void(T*)> action)
{
    // Owned by the application too: a test may end before the deferred delete is run.
    auto* timer = new QTimer(QApplication::instance());
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, attempts, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* widget = qobject_cast<T*>(modal)) {
            timer->deleteLater();
            timer->stop();
            action(widget);
        } else if (++*attempts > 1000) {
            timer->deleteLater();
            timer->stop();
            if (modal)
                modal->close();
        }
    });
    timer->start(10);
}
