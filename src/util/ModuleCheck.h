#pragma once
// Shared objects the program loads while it runs (the printing module) are looked at before the
// loader sees them. The loader runs a module's code as the user, so a module that someone else
// could have put there, or changed since, is refused. And it maps a file's loadable parts as its
// headers describe them: parts lying beyond the end of a cut file fault (SIGBUS) as soon as they
// are read, inside dlopen, where no error can be returned.

#include <sys/types.h>

#include <string>

namespace kel {

// Why path may not be trusted as code: it, or a folder above it (as given and once links are
// resolved), belongs to another user than root or user, or others than its owner may write it.
// A folder with the sticky bit (the system's temporary folder) counts as writable by its owner
// alone, as the others cannot replace what they do not own there. Empty when it may be trusted.
std::string UntrustedModuleProblem(const std::string& path, uid_t user);

// Why the file at path is no whole shared object of this machine's kind: not ELF, another class
// or byte order, or program headers, loadable parts or section headers beyond the file's end.
// Empty when it is whole.
std::string DamagedModuleProblem(const std::string& path);

// Both, for the user running the program: empty when the module may be loaded, else why not
// (in French, naming the file).
std::string ModuleProblem(const std::string& path);

}  // namespace kel
