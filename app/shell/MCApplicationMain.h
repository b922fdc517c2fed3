#pragma once

// The program's run, from the application object main() made to the end of its event loop:
// one running instance per desktop session (a later start hands its files over and ends),
// the library's services, the repairs a killed run needs, the application delegate, and the
// roads by which the program ends — the Quit command, its shortcut and the window's close
// button through the delegate, which may refuse; the desktop session ending and the
// termination signals without asking. The photo list screen is installed by the caller.
#include <QStringList>

#include <functional>

class MCAppDelegate;
class QApplication;

namespace quillon {

// The files and folders named on the command line (arguments[0] is the program), as absolute
// paths; options are left out unless a file of that name exists; "--" ends the options.
QStringList pathsFromArguments(const QStringList &arguments);

// Runs the program; answers the event loop's exit code (0 also when another instance took
// the files). `didFinishLaunching` runs once the delegate has launched (tests drive the
// program from there).
int runApplication(QApplication &app, const std::function<void(MCAppDelegate &)> &didFinishLaunching = {});

} // namespace quillon
