#pragma once

// The signals by which the system or a user asks a program to end (SIGTERM from a logout or
// `kill`, SIGINT from Ctrl+C in a terminal, SIGHUP when the terminal goes away), turned into a
// Qt signal on the GUI thread, so the program can end in order: settings saved, sessions
// closed. The handler only writes the signal's number into a pipe the event loop watches.
//
// One notifier may exist at a time; while it exists, the three signals are caught once each.
// A signal that comes a second time ends the program at once (the standard action), so a
// program whose orderly end hangs can still be stopped.
#include <QObject>

class QSocketNotifier;

class MCTerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Throws std::logic_error while another notifier exists.
    explicit MCTerminationSignals(QObject *parent = nullptr);
    // Restores the actions the signals had before.
    ~MCTerminationSignals() override;

    // Whether the handlers are in place (false when the pipe could not be made).
    bool isActive() const { return m_notifier != nullptr; }

signals:
    // One of the signals arrived (its number).
    void terminationRequested(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
};
