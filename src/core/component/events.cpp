// The Change(State) event: any number of subscribers, each free to call back
// into the component from its handler, subscribe or unsubscribe. Raising the
// event allocates nothing.
#include <algorithm>

#include "core/component/protocol.hpp"

namespace tovrak::core {

uint32_t Protocol::AdviseChange(ChangeHandler handler) {
  uint32_t cookie = next_cookie_++;
  change_handlers_.push_back({cookie, std::move(handler)});
  return cookie;
}

void Protocol::UnadviseChange(uint32_t cookie) {
  for (auto& h : change_handlers_) {
    // While the event is being raised the entry stays in place, emptied, so
    // that a handler can leave from inside its own call.
    if (h.cookie == cookie) h.cookie = 0;
  }
  emptied_ = true;
  if (raising_ == 0) compact_handlers();
}

void Protocol::compact_handlers() {
  emptied_ = false;
  change_handlers_.erase(std::remove_if(change_handlers_.begin(), change_handlers_.end(),
                                        [](const Subscriber& h) { return h.cookie == 0; }),
                         change_handlers_.end());
}

void Protocol::RaiseChange(change::State state) {
  // Handlers that subscribe while the event is raised hear the next one.
  size_t count = change_handlers_.size();
  ++raising_;
  for (size_t i = 0; i < count; ++i) {
    if (change_handlers_[i].cookie == 0) continue;
    int16_t value = state;
    change_handlers_[i].handler(value);
  }
  if (--raising_ == 0 && emptied_) compact_handlers();
}

}  // namespace tovrak::core
