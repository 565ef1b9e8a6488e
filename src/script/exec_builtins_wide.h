// The AnyString built-ins on wide strings: Copy, Pos, Delete, Insert, Uppercase,
// Lowercase, Trim and the Pad routines take this path when their string argument is a
// WideString, UnicodeString or WideChar, and answer a string of the same kind.
#pragma once

#include "script/exec.h"

// Whether argument i of a call is wide text.
bool IsWideArgument(const TPSCall& c, size_t i);

// The wide versions of the routines; the same rules as the 8-bit ones, per character.
bool WideCopy(TPSCall& c);
bool WidePos(TPSCall& c);
bool WideDelete(TPSCall& c);
bool WideInsert(TPSCall& c);
bool WideUppercase(TPSCall& c);
bool WideLowercase(TPSCall& c);
bool WideTrim(TPSCall& c);
// Padl (fill ' ', in front), Padr (' ', behind) and Padz ('0', in front).
bool WidePad(TPSCall& c, char16_t fill, bool front);
