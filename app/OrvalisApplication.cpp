#include "app/OrvalisApplication.h"

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
        std::cerr << "std::exception was caught:" << std::endl;
        std::cerr << error.what() << std::endl;
        return false;
    }
}
