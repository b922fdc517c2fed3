#pragma once

// The application shell as the galleries show it.
namespace screenshots {

// The application's dark palette, registered settings and file types to import, as at launch,
// with the theme kind given (0 blue, 1 dark); the main window opens at its stored size, not
// maximised.
void prepareShellApplication(int appearanceKind);

} // namespace screenshots
