#pragma once

#include <QString>

#include <functional>

// Helpers every test executable shares.
namespace testsupport {

// A fresh folder for this test process, removed when the process ends. HOME and the XDG
// folders point below it, so no test touches the real user's files.
QString temporaryRoot();
// A new empty folder below temporaryRoot().
QString makeTemporaryFolder(const QString &prefix = QStringLiteral("t"));
// A file in tests/data.
QString dataPath(const QString &relativePath);
// Runs the GUI thread's event loop until `condition` holds or `timeoutMs` passes; answers
// whether the condition held.
bool processEventsUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

} // namespace testsupport
