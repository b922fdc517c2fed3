#pragma once

// Themed progress indicators. Both animate on the GUI thread by a timer of their own, which
// keeps running in menus and modal dialogs; nothing is ever painted from another thread.
//
// MCDarkProgressIndicator is a bar: a dark rounded track with a lighter fill for determinate
// progress, or diagonal stripes moving one pixel every 1/30 s while indeterminate.
// MCWhiteSpinningProgress is a white spinner of twelve spokes fading around a circle, stepped
// every 0.05 s; while it is not animating all spokes show at 0.2. Both animate only while shown:
// hiding stops the timer, showing again resumes it.
#include <QPainterPath>
#include <QProgressBar>
#include <QTimer>

class MCDarkProgressIndicator : public QProgressBar
{
    Q_OBJECT
public:
    static constexpr double kStripeWidth = 10.0;
    // The stripes' timer: 1/30 s, as near as whole milliseconds go.
    static constexpr int kAnimationInterval = 33;

    explicit MCDarkProgressIndicator(QWidget *parent = nullptr);

    double doubleValue() const { return m_value; }
    // Stores the value; a bar that hides when stopped stops animating when the value is exactly
    // the maximum.
    void setDoubleValue(double value);
    double minValue() const { return m_minValue; }
    void setMinValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);
    bool isIndeterminate() const { return m_indeterminate; }
    void setIndeterminate(bool indeterminate);
    bool isDisplayedWhenStopped() const { return m_displayedWhenStopped; }
    void setDisplayedWhenStopped(bool displayed);

    double stripeWidth() const { return kStripeWidth; }
    double progressOffset() const { return m_progressOffset; }
    void setProgressOffset(double offset);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_timer.isActive(); }
    // One tick: the stripes move one pixel left, and start over every two stripe widths.
    void activateAnimation();

    // The filled share: 1 while indeterminate, else (value - min) / (max - min) (not clamped),
    // 0 for equal or crossed limits.
    static double fraction(double value, double minValue, double maxValue, bool indeterminate);
    // The track: the bounds less 2 at top and bottom, then inset half a pixel for its outline.
    static QRectF bezelRect(const QRectF &bounds);
    // The fill: 2 in from the left, 4 from top and bottom, fraction of the width less 4.
    static QRectF progressRect(const QRectF &bounds, double fraction);
    // The moving stripes over `rect`: parallelograms two stripe widths apart, leaning right.
    static QPainterPath stripesPath(const QRectF &rect, double stripeWidth, double offset);

    QSize sizeHint() const override { return {160, 20}; }
    QString text() const override { return QString(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void syncRange();

    double m_value = 0.0;
    double m_minValue = 0.0;
    double m_maxValue = 100.0;
    bool m_indeterminate = true;
    bool m_displayedWhenStopped = true;
    double m_progressOffset = 0.0;
    bool m_wantsAnimation = false; // started and not stopped (the timer runs only while shown)
    QTimer m_timer;
};

class MCWhiteSpinningProgress : public QProgressBar
{
    Q_OBJECT
public:
    static constexpr int kAnimationInterval = 50;

    explicit MCWhiteSpinningProgress(QWidget *parent = nullptr);

    double doubleValue() const { return m_value; }
    void setDoubleValue(double value);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double value);
    bool isIndeterminate() const { return m_indeterminate; }
    // Switching to determinate stops a running animation first.
    void setIndeterminate(bool indeterminate);
    // Kept for callers that ask for it; the spinner always animates on the GUI thread, since a
    // widget may be painted there only.
    bool usesThreadedAnimation() const { return m_threaded; }
    void setUsesThreadedAnimation(bool threaded);

    // Starts only while indeterminate.
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_animating; }
    // Whether the timer runs (animating and shown).
    bool isTimerRunning() const { return m_timer.isActive(); }
    // The current spoke step, 11 down to 0 and round again.
    qint64 position() const { return m_position; }
    // One tick of the timer.
    void updateFrame();

    // A spoke's alpha: 0 for the first and 1/15 more for each following one while animating, 0.2
    // for all when still.
    static double spokeAlpha(int spoke, bool animating);
    // The rotation (degrees, counter-clockwise) of the whole wheel at a position.
    static double rotationForPosition(qint64 position);

    QSize sizeHint() const override { return {32, 32}; }
    QString text() const override { return QString(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void actuallyStartAnimation();
    void actuallyStopAnimation();

    qint64 m_position = 0;
    bool m_animating = false;
    bool m_indeterminate = true;
    bool m_threaded = false;
    double m_value = 0.0;
    double m_maxValue = 100.0;
    QTimer m_timer;
};
