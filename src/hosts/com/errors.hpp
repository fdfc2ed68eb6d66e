// Failures of the core reach a COM caller as the HRESULT of the call, with an
// error object (IErrorInfo) carrying the description; a late-bound caller
// gets the same in its EXCEPINFO.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <oleauto.h>

#include <new>
#include <stdexcept>
#include <string>

#include "tovrak/errors.hpp"

namespace tovrak::com {

// The last failure reported on this thread, as a dispatch caller sees it.
struct RaisedError {
  HRESULT hresult = S_OK;  // what the method returned
  HRESULT scode = S_OK;    // what a scripting host reads its error number from
  std::wstring description;
};

// Sets the thread's error object and records the failure; returns its HRESULT.
HRESULT Report(const ComError& error, REFIID iid);
// Forgets the recorded failure (a dispatch call starts).
void ClearRaised();
// The failure recorded since the last ClearRaised, if any.
bool TakeRaised(RaisedError& out);
// Fills a caller's EXCEPINFO with a recorded failure.
void FillExcepInfo(EXCEPINFO* info, const RaisedError& error);

// Runs a method body: a ComError becomes its HRESULT and error object, and no
// C++ exception crosses the COM boundary.
template <class F>
HRESULT Guard(REFIID iid, F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const ComError& e) {
    return Report(e, iid);
  } catch (const std::bad_alloc&) {
    return Report(ComError(static_cast<int32_t>(E_OUTOFMEMORY), 7, "Out of memory"), iid);
  } catch (const std::exception& e) {
    return Report(ComError::with_text(51, std::string("Internal error: ") + e.what()), iid);
  } catch (...) {
    return Report(ComError::with_text(51, "Internal error"), iid);
  }
}

}  // namespace tovrak::com
