#include "app/OrvalisApplication.h"

#include <QMessageBox>
#include <QTimer>

#include <exception>
#include <iostream>

OrvalisApplication::OrvalisApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool OrvalisApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        reportError(error);
        return false;
    }
}

void OrvalisApplication::reportError(const std::exception& error)
{
    std::cerr << "std::exception was caught:" << std::endl;
    std::cerr << error.what() << std::endl;
    auto* application = dynamic_cast<OrvalisApplication*>(QCoreApplication::instance());
    if (application && application->showsErrors)
        application->showError(QString::fromLocal8Bit(error.what()));
}

// Shown once the failed event is done, not from inside its delivery.
void OrvalisApplication::showError(const QString& message)
{
    QTimer::singleShot(0, this, [message] {
        QMessageBox::critical(QApplication::activeWindow(), QObject::tr("Orvalis"), message);
    });
}
