// The pages of the sharing server's web side, on the server's apartment.
// Each page is one more client of the server (ShareServer::attach), so its
// settings take the path of every client's and the server's transmit guard
// holds for it. The hub adds what a page needs beyond a serial client:
//
// - Control: with --http-readonly no page controls the radio; with a token,
//   only a page that presented it does. The others see the radio and are
//   refused control with the reason.
// - Transmit safety: a page that keyed the transmitter and has sent nothing
//   (its heartbeat included) for a second is released; a page that goes
//   away is released by the server at once.
// - Push: every change the server learns (a radio answer, a client's
//   setting, a client coming or going) makes the hub compare the view with
//   the one last pushed and push it to every page when it differs, stamped
//   with the time the change was learned.
// - Bounds: a page's commands and messages are rate-limited; beyond the
//   limits it is refused, then disconnected.
//
// The transport (web_server) hands the hub a PageOut per page and calls
// open/message/closed on the apartment; nothing here blocks.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hosts/share/server.hpp"
#include "hosts/web/page_messages.hpp"
#include "hosts/web/page_view.hpp"
#include "tovrak/platform.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::web {

// A page's end as the transport gives it to the hub; safe to use after the
// transport has gone (it then does nothing).
class PageOut {
 public:
  virtual ~PageOut() = default;
  virtual void send(std::string text) = 0;
  // Ends the page's connection, telling it why; the transport reports the
  // page closed afterwards.
  virtual void close(std::string why) = 0;
};

// Where the transport takes the pages, called on the apartment (the hub, or
// a test's fake).
class PageSink {
 public:
  virtual ~PageSink() = default;
  // A page connected; its id, or -1 when refused (the sink closes `out`).
  virtual int open(std::shared_ptr<PageOut> out, const std::string& peer) = 0;
  virtual void message(int page, std::string_view text) = 0;
  virtual void closed(int page) = 0;
};

struct HubOptions {
  bool readonly = false;  // no page controls the radio
  std::string token;      // when not empty, control needs it
  // A keyed page silent this long is released.
  int heartbeat_ms = 1000;
  // Commands a page may send: a burst, then this many a second.
  double commands_per_s = 20;
  double command_burst = 40;
  // Messages of any kind; a page beyond this is disconnected.
  double messages_per_s = 50;
  double message_burst = 200;
  int token_tries = 3;
};

class PageHub : public PageSink {
 public:
  // The link's health as the host knows it.
  using LinkSource = std::function<LinkReport()>;
  // Asks the component for its passband width in hertz; `done` is called on
  // the server's apartment (see component_width()).
  using WidthSource = std::function<void(std::function<void(int)> done)>;

  // `now_ms` a monotonic clock, `wall_ms` milliseconds since the epoch (the
  // clock the page compares its own with). Everything runs on `apt`, the
  // server's apartment.
  PageHub(share::ShareServer& server, platform::Apartment& apt, std::function<int64_t()> now_ms,
          std::function<double()> wall_ms, HubOptions options, LinkSource link, WidthSource width);
  ~PageHub() override;
  PageHub(const PageHub&) = delete;
  PageHub& operator=(const PageHub&) = delete;

  // A page arrived from `peer`; its id, or -1 when the server is full (the
  // page is then closed with the reason).
  int open(std::shared_ptr<PageOut> out, const std::string& peer) override;
  void message(int page, std::string_view text) override;
  // The page's connection ended (closed, dropped, timed out).
  void closed(int page) override;

  size_t pages() const { return pages_.size(); }
  // Milliseconds from a change learned to a page showing it, as the pages
  // reported them; taken out.
  std::vector<double> take_shown();

  // Period of the S-meter history a page is given when it opens.
  static constexpr int kHistoryMs = 60'000;

 private:
  struct Page;
  struct Bucket {
    double level = 0;
    int64_t at = 0;
    bool take(double rate, double burst, int64_t now);
  };

  void control(Page& p, const PageMessage& m);
  void hello(Page& p, const std::string& token);
  void refuse(Page& p, const std::string& why);
  void answered(Page& p, std::string_view bytes);
  void dropped(Page& p);
  void changed();
  void push();
  void tick();
  void update_ticker();
  void read_width();
  void note(Page& p, const char* type, const std::string& text);
  std::string why_no_control() const;

  share::ShareServer& server_;
  platform::Apartment& apt_;
  std::function<int64_t()> now_ms_;
  std::function<double()> wall_ms_;
  HubOptions opt_;
  LinkSource link_;
  WidthSource width_;

  std::map<int, std::unique_ptr<Page>> pages_;
  std::unique_ptr<platform::Timer> ticker_;
  bool scheduled_ = false;
  double stamp_ms_ = 0;  // when the change being pushed was learned
  int64_t seq_ = 0;
  std::string view_;       // the view last pushed
  std::string last_push_;  // and the message that carried it
  int width_hz_ = 0;
  bool width_stale_ = true;
  std::deque<std::pair<int64_t, int>> smeter_;  // (time, value) where it moved
  std::vector<double> shown_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Reads the component's passband width on its apartment and hands it back on
// the server's.
PageHub::WidthSource component_width(TOVRAK_Protocol& rig, platform::Apartment& radio_apt,
                                     platform::Apartment& apt);

}  // namespace tovrak::web
