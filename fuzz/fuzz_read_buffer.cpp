// Whatever the radio sends, split anywhere, through both paths of ReadBuffer
// (the read path of the receive event, and text handed in directly), with
// the polling engine running: nothing may crash or corrupt the component.
#include <fuzzer/FuzzedDataProvider.h>

#include "core/component/protocol.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/virtual_apartment.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  tovrak::platform::VirtualApartment apt;
  apt.set_time_of_day(in.ConsumeIntegralInRange<int>(0, 86399));
  tovrak::TOVRAK_Connector connector(apt);
  auto rig = connector.get_TOVRAK_Protocol();
  auto* p = static_cast<tovrak::core::Protocol*>(rig.get());
  rig->put_Port(1);
  tovrak::VBool open = tovrak::VTrue;
  std::string a, c, msg;
  rig->SetPort(open, a, c, msg);
  rig->put_AutoPolling(tovrak::VBool::of(in.ConsumeBool()));
  rig->put_CKBuffer(tovrak::VBool::of(in.ConsumeBool()));
  int16_t cat = 1;
  rig->SetCAT(cat);
  std::string direct;
  while (in.remaining_bytes() > 0) {
    std::string chunk = in.ConsumeRandomLengthString(64);
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:  // the receive event reads the port
        apt.line().radio_sends(chunk);
        apt.advance_ms(in.ConsumeIntegralInRange<int>(0, 400));
        break;
      case 1: {  // text handed in directly, kept by the caller between calls
        direct += chunk;
        if (direct.size() > 8000) direct.clear();
        tovrak::VBool read = tovrak::VFalse;
        rig->ReadBuffer(direct, read);
        break;
      }
      case 2: {  // injected as if the radio had sent it
        int16_t fmt = 0;
        rig->SetCommand(fmt, "$" + chunk);
        break;
      }
      default:  // a line-state event with nothing to read
        apt.line().line_event();
        apt.advance_ms(50);
        break;
    }
    // The receive buffer never holds more than the read path's limit plus
    // what one injection can add.
    if (p->m.link.rx_buffer.size() > 4096 + 8192) __builtin_trap();
    if (p->m.answers.read_busy) __builtin_trap();
  }
  return 0;
}
