#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>

// One tag of a file as the tool lists it. A null QByteArray marks a missing field.
struct TagInfo
{
    QByteArray group[3]; // group names of families 0, 1 and 2
    QByteArray name;
    QByteArray desc;     // the tool's description of the tag
    QByteArray id;       // the tag's identifier as printed by the tool
    QByteArray value;    // converted (printable) value; may hold NUL bytes
    QByteArray num;      // numerical value when the tool gives one, else the value
    int copyNum = 0;     // copy number of a duplicate tag (0 for the main one)
};

// The reading end of one pipe from the child with its growing buffer.
class ExifToolPipe
{
public:
    void open(int fd);
    void close();
    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Reads what is available without blocking: >0 bytes read, 0 nothing (or "try again"),
    // -1 end of file, -2 a read error.
    int readAvailable();
    // Looks for the marker line "{readyNNNNN}" of command `number`, a marker beginning a
    // line. Data up to and including the marker of any other command is a late answer and
    // is dropped. Answers true and keeps the answer (without the marker) in response().
    bool takeResponse(int number);
    // Drops the last answer and everything received so far.
    void clear();
    // For a new command: no answer yet.
    void resetResponse();
    // Marks the answer as the complete one of the current command.
    void setTaken() { m_taken = true; }
    // When the command did not complete, what did arrive becomes its (partial) answer.
    void keepPending();
    const QByteArray &response() const { return m_response; }

private:
    int m_fd = -1;
    QByteArray m_buffer;   // received bytes not yet handed out
    qsizetype m_searchPos = 0; // start of the first line not yet looked at
    QByteArray m_response;
    bool m_taken = false;
};

// A client of one long-lived `exiftool` child in its stay-open mode. Commands go to its
// standard input as numbered batches of one argument per line; the answer to command N is
// what comes on standard output before the marker line "{readyN}", and its error text what
// comes on standard error before the same marker. Every wait is bounded: a time-out, a
// death of the child or a cancel kills the child (and its watchdog), fails that command,
// and the next command starts a new child. The caller serialises all use.
class ExifTool
{
public:
    // Result codes: a positive number is a command number (1..99999).
    enum : int {
        NoAnswer = 0,          // time-out
        NotRunning = -1,       // the child could not be started or has ended
        PipeFailed = -2,       // reading or writing a pipe failed
        NoErrorMarker = -4,    // the answer came, its standard-error marker did not
        NoFile = -5,           // no file name was given
        Cancelled = -6,        // the cancel handler asked to stop
    };

    // `program` is the tool's path ("exiftool" on the search path when empty); `extraArgument`
    // goes before the stay-open arguments when not empty. The child starts on first use.
    explicit ExifTool(QString program = {}, QByteArray extraArgument = {});
    virtual ~ExifTool();
    ExifTool(const ExifTool &) = delete;
    ExifTool &operator=(const ExifTool &) = delete;

    // Starts the child when it does not run; answers whether it runs.
    bool start();
    // 1 while the child runs, else 0.
    int isRunning();
    pid_t childPid() const { return m_childPid; }
    pid_t watchdogPid() const { return m_watchdogPid; }

    // Numbers and sends one command (arguments already one per line, ending with a line
    // feed or not): the command number, or a negative result code.
    int sendCommand(const QByteArray &command);
    // Waits for the answer of the last command sent, at most `timeout` seconds. The result
    // (command number or result code) is also kept in lastResult().
    // The first command of a new child may take `startupAllowance` seconds longer.
    int waitForCompletion(double timeout);
    void setStartupAllowance(double seconds) { m_startupAllowance = seconds; }
    int lastResult() const { return m_lastResult; }
    int lastCommandNumber() const { return m_lastCommandNumber; }
    // Sets the command number the next command follows (numbers wrap from 99999 to 1).
    void setLastCommandNumber(int number) { m_lastCommandNumber = number; }

    // Standard output and standard error of the last completed command.
    QByteArray standardOutput() const { return m_stdout.response(); }
    QByteArray standardError() const { return m_stderr.response(); }

    // All tags of `file`: extractInfo, then parseTagList of that command.
    std::optional<QList<TagInfo>> imageInfo(const QString &file, const QByteArray &options, double timeout);
    // Sends the read command ("-php -l -G:0:1:2:4 -D") of `file`.
    int extractInfo(const QString &file, const QByteArray &options = {});
    // Waits for the answer of command `number` and parses it; nullopt when it did not come.
    std::optional<QList<TagInfo>> parseTagList(int number, double timeout);
    static std::optional<QList<TagInfo>> parsePHPTagList(const QByteArray &answer);

    // Appends a value to write (a null `value` deletes the tag); answers how many values
    // are queued. An empty name clears the queue and answers 0.
    int queueNewValue(const QByteArray &name, const QByteArray &value = {});
    const QList<TagInfo> &pendingTags() const { return m_pendingTags; }
    // Sends the command that writes `tags` (the queued values when null) into `file`.
    int writeTagList(const QString &file, const QByteArray &options = {}, const QList<TagInfo> *tags = nullptr);
    static QByteArray writeCommand(const QString &file, const QByteArray &options, const QList<TagInfo> &tags);

    // The number in the answer before " <text>" at a line's end ("    1 image files
    // updated"), in standard output, else in standard error; -1 when not found.
    int summaryCount(const QByteArray &text) const;

    // Polled during every wait; answering true stops the wait with Cancelled.
    void setCancellationHandler(std::function<bool()> handler) { m_isCancelled = std::move(handler); }

    // One argument as one line the tool reads back unchanged: plain when it can be, else
    // in the tool's C-string form. Arguments holding a NUL byte cannot be passed (empty), nor
    // can ones that need the C-string form and hold "$" or "@" (the tool keeps a backslash
    // before those).
    static QByteArray argumentLine(const QByteArray &argument);
    // Whether `argument` goes as a plain line, as the tool's own paths and names should.
    static bool isPlainArgument(const QByteArray &argument);
    // A file path as an argument line: absolute, so it can never read as an option.
    static QByteArray fileArgumentLine(const QString &file);
    // Tag names the writer accepts: letters, digits and "_-:.#+*", not starting with "-" or
    // "#", and never one of the tool's options (which "-NAME=VALUE" could invoke).
    static bool isValidTagName(const QByteArray &name);
    // Whether `name` spells one of the tool's options in any case, also with the number,
    // write mode or title some options take ("TagsFromFile", "g1:2", "csv+", "progress:x").
    static bool isOptionName(const QByteArray &name);

private:
    void stop(bool gracefully);
    bool flushCommand(); // false on a write failure
    int fail(int result);

    QString m_program;
    QByteArray m_extraArgument;
    ExifToolPipe m_stdout;
    ExifToolPipe m_stderr;
    int m_commandFd = -1;
    pid_t m_childPid = -1;
    pid_t m_watchdogPid = -1;
    bool m_freshChild = false; // no command has completed since the child started
    double m_startupAllowance = 10.0;
    QList<TagInfo> m_pendingTags;
    QByteArray m_unwrittenCommand;
    int m_lastResult = 0;
    int m_lastCommandNumber = 0;
    std::function<bool()> m_isCancelled;
};
