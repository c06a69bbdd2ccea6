#pragma once

#include <QApplication>

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

private:
    void showError(const QString& message);

    bool showsErrors = false;
};
