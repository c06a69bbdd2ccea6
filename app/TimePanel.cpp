#include "app/TimePanel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include <cmath>

namespace
{
const int minutesPerDay = 24 * 60;
// The day runs in steps this far apart, smooth enough for the sun's moves.
const int playStepMs = 40;

int minutesOf(double localHour)
{
    return static_cast<int>(std::lround(localHour * 60.0));
}
} // namespace

TimePanel::TimePanel(QWidget* parent) : QDockWidget(tr("Time of day"), parent)
{
    setObjectName("timePanel");
    setWidget(buildControls());
    playTimer.setInterval(playStepMs);
    connect(&playTimer, &QTimer::timeout, this, &TimePanel::advance);
}

QWidget* TimePanel::buildControls()
{
    auto* controls = new QWidget(this);
    auto* layout = new QHBoxLayout(controls);

    dateEdit = new QDateEdit(controls);
    dateEdit->setObjectName("timeDate");
    dateEdit->setCalendarPopup(true);
    dateEdit->setDisplayFormat("yyyy-MM-dd");
    connect(dateEdit, &QDateEdit::dateChanged, this, &TimePanel::dateChosen);

    slider = new QSlider(Qt::Horizontal, controls);
    slider->setObjectName("timeSlider");
    slider->setRange(0, minutesPerDay);
    slider->setPageStep(60);
    slider->setToolTip(tr("Local solar time"));
    connect(slider, &QSlider::valueChanged, this, &TimePanel::sliderMoved);

    hourLabel = new QLabel(controls);
    hourLabel->setObjectName("timeLabel");

    playButton = new QToolButton(controls);
    playButton->setObjectName("playButton");
    playButton->setCheckable(true);
    playButton->setText(tr("Play"));
    connect(playButton, &QToolButton::toggled, this, &TimePanel::play);

    speedBox = new QComboBox(controls);
    speedBox->setObjectName("playSpeed");
    // Hours of the scene's day per second.
    speedBox->addItem(tr("1 min/s"), 1.0 / 60.0);
    speedBox->addItem(tr("10 min/s"), 1.0 / 6.0);
    speedBox->addItem(tr("1 h/s"), 1.0);
    speedBox->addItem(tr("3 h/s"), 3.0);
    speedBox->setCurrentIndex(2);

    layout->addWidget(dateEdit);
    layout->addWidget(slider, 1);
    layout->addWidget(hourLabel);
    layout->addWidget(playButton);
    layout->addWidget(speedBox);
    return controls;
}

void TimePanel::showTime(double localHour, const QDate& date)
{
    const QSignalBlocker blockDate(dateEdit);
    const QSignalBlocker blockSlider(slider);
    // Set again, the same date would put the cursor of a date being typed back.
    if (dateEdit->date() != date)
        dateEdit->setDate(date);
    showHour(localHour);
}

void TimePanel::showHour(double localHour)
{
    hour = localHour;
    slider->setValue(minutesOf(localHour));
    const int minutes = minutesOf(localHour);
    hourLabel->setText(QString("%1:%2").arg(minutes / 60, 2, 10, QChar('0')).arg(minutes % 60, 2, 10, QChar('0')));
}

void TimePanel::setAvailable(bool available)
{
    if (!available)
        playButton->setChecked(false);
    widget()->setEnabled(available);
}

// The slider speaks in whole minutes; the keys' tenths of an hour are kept as they are
// until the slider itself is moved.
void TimePanel::sliderMoved(int minutes)
{
    const double chosen = minutes / 60.0;
    {
        const QSignalBlocker block(slider);
        showHour(chosen);
    }
    emit hourChosen(chosen);
}

void TimePanel::play(bool on)
{
    playButton->setText(on ? tr("Pause") : tr("Play"));
    if (!on)
    {
        playTimer.stop();
        return;
    }
    sincePlayStep.start();
    playTimer.start();
}

// By the time that really passed, so a slow frame does not slow the day.
void TimePanel::advance()
{
    const double seconds = sincePlayStep.restart() / 1000.0;
    double next = hour + seconds * speedBox->currentData().toDouble();
    if (next >= 24.0)
    {
        next = std::fmod(next, 24.0);
        dateEdit->setDate(dateEdit->date().addDays(1));
    }
    {
        const QSignalBlocker block(slider);
        showHour(next);
    }
    emit hourChosen(next);
}
