// The registration-script interpreter: writes or removes the registry keys a script describes.
//
// Script syntax (the registrar syntax of COM servers, the subset this library's script uses):
//   root    := ROOT '{' key* '}'          ROOT is HKCR, HKCU, HKLM, HKU or the long HKEY_... name
//   key     := [ForceRemove | NoRemove] name ['=' 's' string] ['{' (key | value)* '}']
//   value   := 'val' name '=' 's' string
//   name    := a word, or a string
//   string  := text in single quotes; '' stands for one quote
// Words and strings may hold %NAME% symbols, replaced from the given table (%% stands for one %). Tokens are
// separated by white space.
//
// Registering creates every key and sets its values; a ForceRemove key is first deleted with everything below
// it. Unregistering removes what registering wrote: a ForceRemove key with everything below it, a plain key
// once its own script keys are gone and nothing else lies below it, and never a NoRemove key.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace korvane {

using Replacements = std::vector<std::pair<std::wstring, std::wstring>>;

// Runs `script` (UTF-8 text of `length` bytes) in register mode (`bRegister`) or unregister mode. The whole
// script is read before anything is written, so a malformed script (DISP_E_EXCEPTION) or an unknown symbol
// (DISP_E_EXCEPTION) changes nothing. Otherwise the first registry failure stops the run and is returned as
// an HRESULT; keys that are absent on unregistration are no failure. E_OUTOFMEMORY when memory is short.
HRESULT RunRegistrationScript(const char* script, size_t length, const Replacements& replacements, bool bRegister);

}  // namespace korvane
