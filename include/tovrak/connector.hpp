// TOVRAK_Connector: what a host creates first. Every connector in the same
// apartment hands out the same TOVRAK_Protocol, so all parts of a host drive
// one radio through one port and one state model.
#pragma once

#include <memory>

#include "tovrak/export.hpp"
#include "tovrak/platform.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak {

namespace core {
class Module;
}

class TOVRAK_API TOVRAK_Connector {
 public:
  // Creates the shared TOVRAK_Protocol of the apartment if there is none.
  // Raises the overflow error past 32767 live connectors.
  explicit TOVRAK_Connector(platform::Apartment& apartment);
  ~TOVRAK_Connector();
  TOVRAK_Connector(const TOVRAK_Connector&) = delete;
  TOVRAK_Connector& operator=(const TOVRAK_Connector&) = delete;

  // The shared instance.
  std::shared_ptr<TOVRAK_Protocol> get_TOVRAK_Protocol() const;

 private:
  std::shared_ptr<core::Module> module_;
};

}  // namespace tovrak
