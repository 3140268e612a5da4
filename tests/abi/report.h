// What the host prints: a line per step and per check, written at once so
// that a crash inside the component still shows how far the run came, and
// the closing tally.
#pragma once

#include "win32_decls.h"

namespace abi {

void say(const char* format, ...);
// Names the step about to run, for the log and for a crash or hang report.
void step(const char* title);
bool check(bool ok, const char* format, ...);
// A failed check found inside a call from the component (a wrong argument,
// a call it should not make); correct calls are not listed one by one.
void fault(const char* format, ...);
// Compares a text with its expected value and shows both when they differ.
bool check_text(const char* what, const char* actual, const char* expected);
// Prints "N passed, M failed" and answers the process exit code.
int finish();
// Reports a crash or a hang by step, and a crash by its offset in the
// component or in this program, then ends the process with a failure.
void guard_process(DWORD hang_limit_ms);
void guard_component(HMODULE module);

} // namespace abi
