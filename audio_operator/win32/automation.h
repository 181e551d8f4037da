// Automation results at the operator's interface: BSTR and VARIANT results, arrays that scripts
// can walk, and rich errors (IErrorInfo) for failed calls.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <vector>

namespace tl::audio_operator {

// A BSTR argument as a string view; a null BSTR is the empty string.
std::wstring_view View(BSTR text);

// *out gets a new BSTR; E_OUTOFMEMORY when it cannot be allocated.
HRESULT ReturnString(std::wstring_view text, BSTR* out);
// *out gets a one-dimensional array (lower bound 0) of VARIANTs holding the strings or doubles,
// the kind of array both JScript (VBArray) and VBScript (For Each) can walk.
HRESULT ReturnStrings(const std::vector<std::wstring>& texts, VARIANT* out);
HRESULT ReturnDoubles(const std::vector<double>& values, VARIANT* out);

// Sets this thread's error information for a failed call of `iid`, and gives `status` back.
HRESULT ReportError(HRESULT status, std::wstring_view description, REFIID iid, const wchar_t* source);
// A successful call clears the error information an earlier failure left.
void ClearError();

}  // namespace tl::audio_operator
