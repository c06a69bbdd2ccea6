#pragma once

#include <QApplication>

// The application object: a standard exception escaping an event handler is
// reported on standard error and the program goes on.
class OrvalisApplication : public QApplication
{
public:
    OrvalisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
