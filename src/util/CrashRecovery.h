#pragma once
// Unsaved work written out when the program dies of a fatal signal (a fault in a library it
// loaded, an abort). A signal handler may call only async-signal-safe functions: no memory, no
// locale, no time formatting, no C++ library. So the recovery document's bytes and name are made
// beforehand, while the program runs normally, and the handler only creates the file, writes the
// bytes, flushes them and lets the signal end the program as it would have.

#include <string>

namespace kel::crash {

// Installs the handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT, on a stack of its own
// (a fault may come from a stack overflow). Once per process.
void Install();

// What to write if a fatal signal comes now: text into a new file named stem + ".kel", or
// stem + "-2.kel" to "-9.kel" when taken, created as recovery documents are (never through a
// link, never over a file). Safe against a signal arriving during the call.
void Keep(const std::string& stem, const std::string& text);
// Nothing to write any more (the design was saved).
void Forget();

}  // namespace kel::crash
