#include "hosts/com/errors.hpp"

#include "hosts/com/com_ptr.hpp"
#include "hosts/com/marshal.hpp"

namespace tovrak::com {

namespace {

constexpr wchar_t kSource[] = L"TOVRAK_DLL";

// Kept in plain values: a thread-local object with a destructor would outlive
// the DLL on threads that end after it was unloaded.
thread_local bool tls_has_raised = false;
thread_local HRESULT tls_hresult = S_OK;
thread_local HRESULT tls_scode = S_OK;
thread_local BSTR tls_description = nullptr;

// A scripting host shows the low word of an error in the control facility as
// the error number; errors of the core that carry a number of that kind but
// another HRESULT (a member not implemented) are shown under their number.
HRESULT ScriptCode(const ComError& e) {
  const auto hr = static_cast<HRESULT>(e.hresult());
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL || e.number() <= 0 || e.number() > 0xFFFF) return hr;
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.number());
}

}  // namespace

HRESULT Report(const ComError& error, REFIID iid) {
  const auto hr = static_cast<HRESULT>(error.hresult());
  std::wstring description;
  try {
    description = Wide(error.description());
  } catch (...) {
  }
  SysFreeString(tls_description);
  tls_description = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  tls_hresult = hr;
  tls_scode = ScriptCode(error);
  tls_has_raised = true;
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(kSource));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put())))) {
      SetErrorInfo(0, info.get());
    }
  }
  return hr;
}

void ClearRaised() { tls_has_raised = false; }

bool TakeRaised(RaisedError& out) {
  if (!tls_has_raised) return false;
  out.hresult = tls_hresult;
  out.scode = tls_scode;
  out.description = tls_description ? std::wstring(tls_description, SysStringLen(tls_description))
                                    : std::wstring();
  tls_has_raised = false;
  return true;
}

void FillExcepInfo(EXCEPINFO* info, const RaisedError& error) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->bstrSource = SysAllocString(kSource);
  info->bstrDescription =
      SysAllocStringLen(error.description.data(), static_cast<UINT>(error.description.size()));
  info->scode = error.scode;
}

}  // namespace tovrak::com
