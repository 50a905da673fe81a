#include "util/CrashRecovery.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>

namespace kel::crash {
namespace {

struct Prepared {
  std::string stem;
  std::string text;
};

// Two copies: the handler reads the one published while the program fills the other, so a
// signal in the middle of Keep finds a whole document, the previous one.
Prepared g_prepared[2];
std::atomic<int> g_published{-1};
std::atomic<bool> g_writing{false};

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr std::size_t kPathRoom = 4096;
alignas(16) char g_stack[64 * 1024];

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = ::write(fd, data, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

void Say(const char* text) {
  std::size_t size = 0;
  while (text[size] != '\0') ++size;
  WriteAll(STDERR_FILENO, text, size);
}

// Async-signal-safe from here on: system calls and loops over prepared bytes only.
void WritePrepared(const Prepared& prepared) {
  char path[kPathRoom + 8];
  const std::size_t stem = prepared.stem.size();
  if (stem == 0 || stem >= kPathRoom) return;
  for (std::size_t i = 0; i < stem; ++i) path[i] = prepared.stem[i];
  for (char n = '1'; n <= '9'; ++n) {
    std::size_t end = stem;
    if (n != '1') {
      path[end++] = '-';
      path[end++] = n;
    }
    for (const char c : {'.', 'k', 'e', 'l', '\0'}) path[end++] = c;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) break;
    const bool written =
        WriteAll(fd, prepared.text.data(), prepared.text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
      ::unlink(path);  // ours, just made; half of it would help nobody
      break;
    }
    Say("kelvanor : arrêt sur une erreur grave ; les modifications non enregistrées sont dans ");
    Say(path);
    Say("\n");
    return;
  }
  Say("kelvanor : arrêt sur une erreur grave ; les modifications non enregistrées n'ont pas pu "
      "être gardées.\n");
}

void OnFatalSignal(int signal_number) {
  const int slot = g_published.load();
  // A second fault while writing (the writing itself failing) must not start it over.
  if (slot >= 0 && !g_writing.exchange(true)) WritePrepared(g_prepared[slot]);
  // The end the signal would have had: the default action, a core dump where one is kept.
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

void Install() {
  stack_t stack{};
  stack.ss_sp = g_stack;
  stack.ss_size = sizeof g_stack;
  ::sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : kSignals) ::sigaction(signal_number, &action, nullptr);
}

void Keep(const std::string& stem, const std::string& text) {
  const int next = g_published.load() == 0 ? 1 : 0;
  g_prepared[next].stem = stem;
  g_prepared[next].text = text;
  g_published.store(next);
}

void Forget() {
  g_published.store(-1);
}

}  // namespace kel::crash
