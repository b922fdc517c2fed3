#pragma once

// Connects the library's model to the framework's services once at start-up: file
// information reads each file's property dictionary through the image loader. The program's
// main calls it before anything is imported; tests call it to read real files. Calling it
// again changes nothing.
namespace quillon {
void installLibraryServices();
} // namespace quillon
