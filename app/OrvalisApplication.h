#pragma once

#include <QApplication>

#include <exception>

// The application object: a standard exception escaping an event handler is
// reported on standard error and the program goes on.
class OrvalisApplication : public QApplication
{
public:
    OrvalisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Also show each reported error in a message box (the interactive program does;
    // tests that drive the event loop do not).
    void setShowsErrors(bool show) { showsErrors = show; }

    // Reports an error on standard error, and in a message box when the running
    // application object is an OrvalisApplication that shows errors.
    static void reportError(const std::exception& error);

private:
    void showError(const QString& message);

    bool showsErrors = false;
};
