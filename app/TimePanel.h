#pragma once

#include <QDate>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>

class QComboBox;
class QDateEdit;
class QLabel;
class QSlider;
class QToolButton;

// The dock that sets the sun: the scene's date, a slider over the day's local solar
// time, and a play button that runs the day (on into the next) at a chosen speed.
// It shows the time it is given, so it follows the time-of-day keys too, and tells
// what the user chooses through its signals. GUI thread only.
class TimePanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit TimePanel(QWidget* parent = nullptr);

    // Shows the scene's time without emitting anything.
    void showTime(double localHour, const QDate& date);
    // Without a scene nothing can be set, and a running day stops.
    void setAvailable(bool available);
    bool isPlaying() const { return playTimer.isActive(); }

signals:
    void hourChosen(double localHour);
    void dateChosen(const QDate& date);

private:
    QWidget* buildControls();
    void play(bool on);
    void advance();
    void sliderMoved(int minutes);
    void showHour(double localHour);

    QDateEdit* dateEdit;
    QSlider* slider;
    QLabel* hourLabel;
    QToolButton* playButton;
    QComboBox* speedBox;
    QTimer playTimer;
    QElapsedTimer sincePlayStep;
    double hour = 0.0;
};
