#include "app/metadata/ExifTool.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>
#include <vector>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr qsizetype kReadChunk = 65536;
constexpr double kErrorMarkerWait = 1.0;   // seconds the error marker may lag the answer
constexpr int kPollSliceMs = 20;           // how often a wait looks at the cancel handler

// A write into a dead child must fail with EPIPE instead of ending the application. A
// handler (not SIG_IGN) resets to the default in the exec'd child by itself.
void ignoreBrokenPipeHandler(int) {}

void installBrokenPipeHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGPIPE, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
            return; // the application already decided what SIGPIPE does
        struct sigaction action {};
        action.sa_handler = ignoreBrokenPipeHandler;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGPIPE, &action, nullptr);
    });
}

void setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Only async-signal-safe calls below, for use between fork and exec/_exit.
void closeDescriptorsFrom(int first)
{
    if (::close_range(unsigned(first), ~0U, 0) == 0)
        return;
    for (int fd = first; fd < 65536; ++fd)
        ::close(fd);
}

void resetSignalsInChild()
{
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD})
        ::sigaction(signal, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Waits up to `seconds` for `pid` to end; answers whether it was reaped.
bool reap(pid_t pid, double seconds)
{
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true; // ended, or not our child any more
        if (Clock::now() >= deadline)
            return false;
        ::usleep(2000);
    }
}

void killAndReap(pid_t pid, bool group)
{
    if (pid <= 0)
        return;
    if (group)
        ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    reap(pid, 2.0); // SIGKILL ends it promptly; a process stuck in the kernel is given up on
}

QByteArray withLineFeed(const QByteArray &text)
{
    if (text.isEmpty() || text.endsWith('\n'))
        return text;
    return text + '\n';
}

bool isMarkerText(const char *p, int *number)
{
    if (std::memcmp(p, "{ready", 6) != 0 || p[11] != '}')
        return false;
    int n = 0;
    for (int i = 6; i < 11; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        n = n * 10 + (p[i] - '0');
    }
    *number = n;
    return n != 0;
}

// PHP string escapes of the tool's output, undone.
QByteArray unescaped(const char *begin, const char *end)
{
    QByteArray out;
    out.reserve(end - begin);
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (const char *p = begin; p < end; ++p) {
        if (*p != '\\') {
            out.append(*p);
            continue;
        }
        if (++p == end)
            break;
        switch (*p) {
        case 'n': out.append('\n'); break;
        case 'r': out.append('\r'); break;
        case 't': out.append('\t'); break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && p + 1 < end && hexValue(p[1]) >= 0) {
                value = value * 16 + hexValue(p[1]);
                ++p;
                ++digits;
            }
            out.append(char(value));
            break;
        }
        default: out.append(*p); break;
        }
    }
    return out;
}

// The value of a `"key" => value` line: a quoted string or a bare number.
bool propertyOf(const char *line, const char *end, QByteArray *key, QByteArray *value)
{
    const char *open = static_cast<const char *>(std::memchr(line, '"', end - line));
    if (!open)
        return false;
    const char *close = static_cast<const char *>(std::memchr(open + 1, '"', end - open - 1));
    if (!close || end - close < 5 || std::memcmp(close, "\" => ", 5) != 0)
        return false;
    *key = QByteArray(open + 1, close - open - 1);
    const char *start = close + 5;
    const char *stop = end;
    if (stop > start && stop[-1] == '\r')
        --stop;
    if (stop > start && stop[-1] == ',')
        --stop;
    if (start < stop && *start == '"') {
        if (stop - start < 2 || stop[-1] != '"')
            return false;
        *value = unescaped(start + 1, stop - 1);
    } else {
        *value = QByteArray(start, stop - start);
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------- ExifToolPipe

void ExifToolPipe::open(int fd)
{
    close();
    m_fd = fd;
    setNonBlocking(fd);
}

void ExifToolPipe::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
    m_searchPos = 0;
    m_taken = false;
}

void ExifToolPipe::resetResponse()
{
    m_response.clear();
    m_taken = false;
}

void ExifToolPipe::keepPending()
{
    if (!m_taken)
        m_response = m_buffer;
}

void ExifToolPipe::clear()
{
    m_buffer.clear();
    m_searchPos = 0;
    m_response.clear();
}

int ExifToolPipe::readAvailable()
{
    if (m_fd < 0)
        return -1;
    qsizetype total = 0;
    while (true) {
        const qsizetype held = m_buffer.size();
        m_buffer.resize(held + kReadChunk);
        const ssize_t n = ::read(m_fd, m_buffer.data() + held, kReadChunk);
        m_buffer.resize(held + std::max<ssize_t>(n, 0));
        if (n > 0) {
            total += n;
            continue;
        }
        if (n == 0)
            return total > 0 ? int(std::min<qsizetype>(total, INT_MAX)) : -1;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return int(std::min<qsizetype>(total, INT_MAX));
        return -2;
    }
}

bool ExifToolPipe::takeResponse(int number)
{
    // Only whole lines are looked at, so a marker split over several reads is found once
    // its line is complete.
    qsizetype pos = m_searchPos;
    while (true) {
        const qsizetype lf = m_buffer.indexOf('\n', pos);
        if (lf < 0)
            break;
        qsizetype lineEnd = lf;
        if (lineEnd > pos && m_buffer.at(lineEnd - 1) == '\r')
            --lineEnd;
        const qsizetype length = lineEnd - pos;
        int found = 0;
        if (length == 12 && isMarkerText(m_buffer.constData() + pos, &found)) {
            if (found == number) {
                m_response = m_buffer.left(pos);
                m_buffer.remove(0, lf + 1);
                m_searchPos = 0;
                return true;
            }
            // The late answer of another command: drop it with its marker.
            m_buffer.remove(0, lf + 1);
            pos = 0;
            continue;
        }
        // Output that did not end with a line feed runs into our marker.
        if (length > 12 && isMarkerText(m_buffer.constData() + lineEnd - 12, &found) && found == number) {
            m_response = m_buffer.left(lineEnd - 12);
            m_buffer.remove(0, lf + 1);
            m_searchPos = 0;
            return true;
        }
        pos = lf + 1;
    }
    m_searchPos = pos;
    return false;
}

// ---------------------------------------------------------------- ExifTool

ExifTool::ExifTool(QString program, QByteArray extraArgument)
    : m_program(std::move(program))
    , m_extraArgument(std::move(extraArgument))
{
}

ExifTool::~ExifTool() { stop(true); }

bool ExifTool::start()
{
    if (m_childPid > 0 && isRunning())
        return true;
    stop(false);

    QString program = m_program.isEmpty() ? QStringLiteral("exiftool") : m_program;
    if (!program.contains(QLatin1Char('/')))
        program = QStandardPaths::findExecutable(program);
    if (program.isEmpty() || !QFileInfo(program).isExecutable() || QFileInfo(program).isDir())
        return false;
    installBrokenPipeHandler();

    // Everything the child needs is made before the fork: between fork and exec only
    // async-signal-safe calls are allowed in a threaded program.
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> arguments{path};
    if (!m_extraArgument.isEmpty())
        arguments.push_back(m_extraArgument);
    for (const char *argument : {"-stay_open", "true", "-@", "-"})
        arguments.emplace_back(argument);
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    char **envp = environ;

    int command[2] = {-1, -1}, output[2] = {-1, -1}, error[2] = {-1, -1};
    if (::pipe2(command, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(error, O_CLOEXEC) != 0) {
        for (int fd : {command[0], command[1], output[0], output[1], error[0], error[1]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        resetSignalsInChild();
        ::dup2(command[0], 0);
        ::dup2(output[1], 1);
        ::dup2(error[1], 2);
        closeDescriptorsFrom(3);
        ::execve(argv[0], argv.data(), envp);
        ::_exit(127);
    }
    ::close(command[0]);
    ::close(output[1]);
    ::close(error[1]);
    if (pid < 0) {
        ::close(command[1]);
        ::close(output[0]);
        ::close(error[0]);
        return false;
    }
    ::setpgid(pid, pid); // also from here, so the group exists before any kill of it
    m_childPid = pid;
    m_commandFd = command[1];
    setNonBlocking(m_commandFd);
    m_stdout.open(output[0]);
    m_stderr.open(error[0]);
    m_stdout.clear();
    m_stderr.clear();
    m_unwrittenCommand.clear();

    // The watchdog interrupts the tool when this process has gone without stopping it.
    const pid_t parent = ::getpid();
    const pid_t watchdog = ::fork();
    if (watchdog == 0) {
        closeDescriptorsFrom(3); // holds no pipe end, so the tool still sees our close
        while (::getppid() == parent)
            ::sleep(1);
        ::kill(-pid, SIGINT);
        ::sleep(2);
        ::kill(-pid, SIGKILL);
        ::_exit(0);
    }
    m_watchdogPid = watchdog > 0 ? watchdog : -1;
    m_freshChild = true;
    return true;
}

int ExifTool::isRunning()
{
    if (m_childPid <= 0)
        return 0;
    int status = 0;
    const pid_t done = ::waitpid(m_childPid, &status, WNOHANG);
    if (done == 0)
        return 1;
    m_childPid = -1; // reaped (or reaped elsewhere): the id may be reused, never signal it again
    stop(false);
    return 0;
}

void ExifTool::stop(bool gracefully)
{
    if (m_childPid > 0) {
        if (gracefully && m_commandFd >= 0) {
            static const char quit[] = "-stay_open\nfalse\n";
            if (m_unwrittenCommand.isEmpty())
                [[maybe_unused]] auto written = ::write(m_commandFd, quit, sizeof quit - 1);
            ::close(m_commandFd);
            m_commandFd = -1;
            if (!reap(m_childPid, 1.0))
                killAndReap(m_childPid, true);
        } else {
            killAndReap(m_childPid, true);
        }
    }
    m_childPid = -1;
    killAndReap(m_watchdogPid, false);
    m_watchdogPid = -1;
    if (m_commandFd >= 0)
        ::close(m_commandFd);
    m_commandFd = -1;
    m_stdout.close();
    m_stderr.close();
    m_unwrittenCommand.clear();
}

bool ExifTool::flushCommand()
{
    while (!m_unwrittenCommand.isEmpty()) {
        const ssize_t n = ::write(m_commandFd, m_unwrittenCommand.constData(), size_t(m_unwrittenCommand.size()));
        if (n > 0) {
            m_unwrittenCommand.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true; // the pipe is full; the wait pushes the rest
        return false;
    }
    return true;
}

int ExifTool::fail(int result)
{
    // Whatever came before the failure stays readable as this command's answer, so the
    // caller can tell what the tool said before it died.
    m_stdout.keepPending();
    m_stderr.keepPending();
    stop(false);
    m_lastResult = result;
    return result;
}

int ExifTool::sendCommand(const QByteArray &command)
{
    if (!start())
        return m_lastResult = NotRunning;
    const int number = m_lastCommandNumber >= 99999 || m_lastCommandNumber < 0 ? 1 : m_lastCommandNumber + 1;
    char tail[64];
    std::snprintf(tail, sizeof tail, "-echo4\n{ready%05d}\n-execute%05d\n", number, number);
    m_unwrittenCommand += withLineFeed(command);
    m_unwrittenCommand += tail;
    m_lastCommandNumber = number;
    if (!flushCommand())
        return fail(PipeFailed);
    return number;
}

int ExifTool::waitForCompletion(double timeout)
{
    const int number = m_lastCommandNumber;
    if (m_childPid <= 0)
        return m_lastResult = NotRunning;
    // Cap absurd time-outs so the arithmetic cannot overflow; a day is "unlimited" here.
    // A freshly started tool first loads itself, which a busy machine can make slow.
    const double seconds = std::clamp(timeout, 0.0, 86400.0) + (m_freshChild ? m_startupAllowance : 0.0);
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    Clock::time_point errorDeadline;
    bool haveOutput = false;
    bool haveError = false;
    bool outputEnded = false;
    bool errorEnded = false;
    m_stdout.resetResponse();
    m_stderr.resetResponse();
    while (true) {
        if (!flushCommand())
            return fail(PipeFailed);
        const int readOut = outputEnded ? -1 : m_stdout.readAvailable();
        const int readErr = errorEnded ? -1 : m_stderr.readAvailable();
        if (readOut == -2 || readErr == -2)
            return fail(PipeFailed);
        outputEnded = readOut == -1;
        errorEnded = readErr == -1;
        if (!haveOutput && m_stdout.takeResponse(number)) {
            m_stdout.setTaken();
            haveOutput = true;
            errorDeadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(kErrorMarkerWait));
        }
        if (!haveError && m_stderr.takeResponse(number)) {
            haveError = true;
            m_stderr.setTaken();
        }
        if (haveOutput && haveError) {
            m_freshChild = false;
            return m_lastResult = number;
        }
        if (outputEnded && errorEnded)
            return fail(NotRunning); // the child closed its pipes: it has ended
        if (m_isCancelled && m_isCancelled())
            return fail(Cancelled);
        const auto now = Clock::now();
        if (!haveOutput && now >= deadline)
            return fail(NoAnswer);
        if (haveOutput && now >= errorDeadline)
            return fail(NoErrorMarker);

        pollfd fds[3];
        nfds_t count = 0;
        if (!outputEnded)
            fds[count++] = {m_stdout.fd(), POLLIN, 0};
        if (!errorEnded)
            fds[count++] = {m_stderr.fd(), POLLIN, 0};
        if (!m_unwrittenCommand.isEmpty())
            fds[count++] = {m_commandFd, POLLOUT, 0};
        const auto until = haveOutput ? errorDeadline : deadline;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
        ::poll(fds, count, int(std::min<qint64>(left, kPollSliceMs)));
    }
}

std::optional<QList<TagInfo>> ExifTool::imageInfo(const QString &file, const QByteArray &options, double timeout)
{
    const int number = extractInfo(file, options);
    if (number <= 0) {
        m_lastResult = number;
        return std::nullopt;
    }
    return parseTagList(number, timeout);
}

int ExifTool::extractInfo(const QString &file, const QByteArray &options)
{
    if (file.isEmpty())
        return NoFile;
    const QByteArray fileLine = fileArgumentLine(file);
    if (fileLine.isEmpty())
        return NoFile;
    return sendCommand(fileLine + "-php\n-l\n-G:0:1:2:4\n-D\n-sep\n, \n" + withLineFeed(options));
}

std::optional<QList<TagInfo>> ExifTool::parseTagList(int number, double timeout)
{
    if (number >= 0) {
        if (waitForCompletion(timeout) < 1 || (number > 0 && m_lastResult != number))
            return std::nullopt;
    } else if (m_lastResult < 1) {
        return std::nullopt;
    }
    return parsePHPTagList(m_stdout.response());
}

std::optional<QList<TagInfo>> ExifTool::parsePHPTagList(const QByteArray &answer)
{
    if (answer.isEmpty() || !answer.contains('\n'))
        return std::nullopt;
    QList<TagInfo> tags;
    bool inBlock = false;
    const char *data = answer.constData();
    const char *const dataEnd = data + answer.size();
    for (const char *line = data; line < dataEnd;) {
        const char *lf = static_cast<const char *>(std::memchr(line, '\n', dataEnd - line));
        const char *end = lf ? lf : dataEnd;
        const char *next = lf ? lf + 1 : dataEnd;
        const bool hasQuote = std::memchr(line, '"', end - line) != nullptr;
        if (!hasQuote) {
            if (inBlock && !tags.isEmpty()) {
                TagInfo &tag = tags.last();
                if (tag.value.isNull())
                    tag.value = QByteArray("");
                if (tag.num.isNull())
                    tag.num = tag.value;
            }
            inBlock = false;
            line = next;
            continue;
        }
        QByteArray key;
        QByteArray value;
        const bool isProperty = propertyOf(line, end, &key, &value);
        if (inBlock) {
            if (!isProperty)
                break; // not the tool's layout: stop with what was read
            TagInfo &tag = tags.last();
            if (key == "desc")
                tag.desc = value;
            else if (key == "id")
                tag.id = value;
            else if (key == "val")
                tag.value = value;
            else if (key == "num")
                tag.num = value;
            line = next;
            continue;
        }
        // A new tag: "G0:G1:G2:G4:Name" => Array( , or "SourceFile" => "path",
        const char *open = static_cast<const char *>(std::memchr(line, '"', end - line));
        const char *close = static_cast<const char *>(std::memchr(open + 1, '"', end - open - 1));
        if (!close) {
            line = next;
            continue;
        }
        TagInfo tag;
        const QList<QByteArray> pieces = QByteArray(open + 1, close - open - 1).split(':');
        tag.name = pieces.last();
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            if (i < 3)
                tag.group[i] = pieces.at(i);
            else if (pieces.at(i).startsWith("Copy"))
                tag.copyNum = pieces.at(i).mid(4).toInt();
        }
        if (tag.name == "SourceFile") {
            // The path as the tool printed it, not unescaped.
            const char *stop = end;
            if (stop > close && stop[-1] == '\r')
                --stop;
            if (stop > close && stop[-1] == ',')
                --stop;
            if (stop - close >= 7 && stop[-1] == '"' && std::memcmp(close, "\" => \"", 6) == 0) {
                tag.value = QByteArray(close + 6, stop - 1 - (close + 6));
                tag.num = tag.value;
                tags.append(tag);
            }
        } else if (!tag.name.isEmpty()) {
            tags.append(tag);
            inBlock = true;
        }
        line = next;
    }
    if (inBlock && !tags.isEmpty()) {
        TagInfo &tag = tags.last();
        if (tag.value.isNull())
            tag.value = QByteArray("");
        if (tag.num.isNull())
            tag.num = tag.value;
    }
    if (tags.isEmpty())
        return std::nullopt;
    return tags;
}

int ExifTool::queueNewValue(const QByteArray &name, const QByteArray &value)
{
    if (name.isEmpty()) {
        m_pendingTags.clear();
        return 0;
    }
    TagInfo tag;
    tag.name = name;
    if (!value.isEmpty())
        tag.value = value; // an empty value is not stored: the tag is deleted
    m_pendingTags.append(tag);
    return int(m_pendingTags.size());
}

QByteArray ExifTool::writeCommand(const QString &file, const QByteArray &options, const QList<TagInfo> &tags)
{
    const QByteArray fileLine = fileArgumentLine(file);
    if (fileLine.isEmpty())
        return {};
    QByteArray command = fileLine;
    bool escaped = false;
    for (const TagInfo &tag : tags) {
        if (tag.name.isEmpty() || tag.name.size() > 100 || tag.name == "SourceFile" || !isValidTagName(tag.name))
            continue;
        QByteArray argument = "-";
        for (int family = 0; family < 3; ++family) {
            if (!tag.group[family].isEmpty() && tag.group[family].size() < 100 && isValidTagName(tag.group[family]))
                argument += QByteArray::number(family) + tag.group[family] + ':';
        }
        argument += tag.name;
        const QByteArray &value = !tag.value.isNull() ? tag.value : tag.num;
        if (tag.value.isNull() && !tag.num.isNull())
            argument += '#';
        argument += '=';
        // Bytes that would end or change the argument line are written as character
        // references, which "-ex" turns back into the bytes.
        for (qsizetype i = 0; i < value.size(); ++i) {
            const auto c = static_cast<unsigned char>(value.at(i));
            const bool edgeSpace = (c == ' ') && (i == 0 || i == value.size() - 1);
            if (c == '&') {
                argument += "&amp;";
                escaped = true;
            } else if (c < 0x20 || c == 0x7f || edgeSpace) {
                char reference[8];
                std::snprintf(reference, sizeof reference, "&#%02u;", unsigned(c));
                argument += reference;
                escaped = true;
            } else {
                argument += char(c);
            }
        }
        command += argument + '\n';
    }
    if (escaped)
        command += "-ex\n";
    // No list separator: a value is written whole, commas included ("Smith, John" stays one
    // keyword); the items of a list tag come as one assignment each.
    command += withLineFeed(options);
    return command;
}

int ExifTool::writeTagList(const QString &file, const QByteArray &options, const QList<TagInfo> *tags)
{
    if (file.isEmpty())
        return NoFile;
    const QByteArray command = writeCommand(file, options, tags ? *tags : m_pendingTags);
    if (command.isEmpty())
        return NoFile;
    return sendCommand(command);
}

int ExifTool::summaryCount(const QByteArray &text) const
{
    for (const QByteArray *answer : {&m_stdout.response(), &m_stderr.response()}) {
        const QByteArray needle = ' ' + text;
        qsizetype from = 0;
        while (true) {
            const qsizetype at = answer->indexOf(needle, from);
            if (at < 0)
                break;
            from = at + 1;
            const qsizetype after = at + needle.size();
            if (after < answer->size() && answer->at(after) != '\n' && answer->at(after) != '\r')
                continue;
            qsizetype digitsBegin = at;
            while (digitsBegin > 0 && answer->at(digitsBegin - 1) >= '0' && answer->at(digitsBegin - 1) <= '9')
                --digitsBegin;
            if (digitsBegin == at)
                continue;
            return answer->mid(digitsBegin, at - digitsBegin).toInt();
        }
    }
    return -1;
}

QByteArray ExifTool::argumentLine(const QByteArray &argument)
{
    if (argument.contains('\0'))
        return {};
    bool plain = !argument.isEmpty() && argument.at(0) != '#';
    for (qsizetype i = 0; plain && i < argument.size(); ++i) {
        const auto c = static_cast<unsigned char>(argument.at(i));
        const bool edge = i == 0 || i == argument.size() - 1;
        if (c == '\n' || c == '\r' || c == '\t' || (edge && c == ' '))
            plain = false;
    }
    if (plain)
        return argument + '\n';
    // The tool reads "$" and "@" in the C-string form back with a backslash before them, so an
    // argument needing that form cannot hold them.
    if (argument.contains('$') || argument.contains('@'))
        return {};
    // The tool's C-string form: the rest of the line after "#[CSTR]" with C escapes.
    QByteArray line = "#[CSTR]";
    for (char c : argument) {
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        default: line += c; break;
        }
    }
    return line + '\n';
}

bool ExifTool::isPlainArgument(const QByteArray &argument)
{
    const QByteArray line = argumentLine(argument);
    return !line.isEmpty() && !line.startsWith("#[CSTR]");
}

QByteArray ExifTool::fileArgumentLine(const QString &file)
{
    if (file.isEmpty())
        return {};
    return argumentLine(QFile::encodeName(QFileInfo(file).absoluteFilePath()));
}

bool ExifTool::isOptionName(const QByteArray &name)
{
    // The tool's options in their single-dash spellings, long and short forms, lower case
    // (the tool reads them case-insensitively).
    static const char *const kOptions[] = {
        "@", "a", "addtagsfromfile", "alltagsfromfile", "api", "argformat", "args", "b", "binary", "c",
        "charset", "common_args", "config", "coordformat", "csv", "csvdelim", "d", "dateformat", "decimal",
        "delete_original", "diff", "duplicates", "e", "ec", "echo", "ee", "efile", "escapec", "escapehtml",
        "escapexml", "ex", "exclude", "execute", "ext", "extension", "extractembedded", "f", "fast",
        "fileorder", "fixbase", "forceprint", "g", "geotag", "globaltimeshift", "groupheadings", "groupnames",
        "h", "hex", "htmldump", "htmlformat", "i", "if", "ignore", "ignoreminorerrors", "j", "json", "k", "l",
        "lang", "latin", "list", "list_dir", "listd", "listf", "listg", "listitem", "listr", "listw", "listwf",
        "listx", "long", "m", "n", "o", "out", "overwrite_original", "overwrite_original_in_place", "p",
        "password", "pause", "php", "preserve", "printformat", "progress", "q", "quiet", "r", "recurse",
        "require", "restore_original", "s", "scanforxmp", "sep", "separator", "short", "sort", "srcfile",
        "stay_open", "struct", "t", "tab", "table", "tagout", "tagoutext", "tagsfromfile", "textout", "u",
        "unknown", "unknown2", "use", "userparam", "v", "ver", "verbose", "veryshort", "w", "wext", "wm",
        "writemode", "x", "xmlformat", "z", "zip",
    };
    // Without what the tool reads after an option's name: a number ("-g1:2", "-echo3",
    // "-F+8", "-r."), a write mode ("-csv+=FILE") or a title ("-progress:TITLE").
    auto bare = [](QByteArray text) {
        text = text.toLower();
        while (!text.isEmpty() && std::strchr("+-^#!.:0123456789", text.back()) != nullptr)
            text.chop(1);
        return text;
    };
    auto isOption = [](const QByteArray &text) {
        return std::any_of(std::begin(kOptions), std::end(kOptions), [&](const char *option) { return text == option; });
    };
    const QByteArray lower = name.toLower();
    if (isOption(lower) || isOption(bare(name)))
        return true;
    const qsizetype colon = name.indexOf(':');
    return colon > 0 && bare(name.left(colon)) == "progress";
}

bool ExifTool::isValidTagName(const QByteArray &name)
{
    if (name.isEmpty() || name.at(0) == '-' || name.at(0) == '#' || isOptionName(name))
        return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        std::strchr("_-:.#+*", c) != nullptr;
        if (!ok || c == '\0')
            return false;
    }
    return true;
}
