// What the compiler expects of a C runtime that this host does not link.
#include "report.h"

extern "C" {

// Marks a program that uses floating point.
int _fltused = 0;

// Fills the slots of abstract tables; reached only through a broken table.
int __cdecl _purecall() {
    abi::say("FAIL: a pure virtual function was called");
    ExitProcess(3);
}
}
