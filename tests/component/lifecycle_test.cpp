// Connectors, the shared instance and the port and timers' own connector.
#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"

namespace tovrak {
namespace {

struct Lifecycle : ::testing::Test {
  platform::VirtualApartment apt;
  core::Module& m() { return *core::Module::of(apt); }
};

TEST_F(Lifecycle, TheLoadedFormKeepsTheSharedInstanceAlive) {
  std::weak_ptr<TOVRAK_Protocol> shared;
  {
    TOVRAK_Connector c(apt);
    shared = c.get_TOVRAK_Protocol();
    auto& form = m().port_and_timers();  // the first need of the port or a timer
    EXPECT_EQ(m().lifecycle.connector_count, 2);
    EXPECT_EQ(form.FormProtocol.get(), shared.lock().get());
  }
  EXPECT_FALSE(shared.expired());
  EXPECT_EQ(m().lifecycle.connector_count, 1);
}

TEST_F(Lifecycle, ADirectlyCreatedInstanceSharesTheModuleButNotTheState) {
  auto& link = m().link;
  auto& answers = m().answers;
  link.command_delay = link.polling_delay = link.error_delay = link.after_command_delay = 0.5f;
  answers.last_freq = 7.0;
  answers.last_mode = answers.last_smeter = 3;
  m().ranges.count = 3;
  auto direct = CreateProtocol(apt);
  // Every new instance resets the timing, the interpreter's change detection
  // and the frequency ranges.
  EXPECT_EQ(std::tuple(link.command_delay, link.polling_delay, link.error_delay,
                       link.after_command_delay),
            std::tuple(0.1f, 0.01f, 3.0f, 1.0f));
  EXPECT_EQ(std::tuple(answers.last_freq, answers.last_mode, answers.last_smeter, m().ranges.count),
            std::tuple(0.0, -1, -1, 1));
  EXPECT_EQ(m().lifecycle.connector_count, 0);
  auto& form = m().port_and_timers();  // loads a connector of its own
  EXPECT_NE(form.FormProtocol.get(), direct.get());
  EXPECT_EQ(m().lifecycle.connector_count, 1);
}

TEST_F(Lifecycle, ConnectorCountOverflowsPast32767) {
  std::vector<std::unique_ptr<TOVRAK_Connector>> many;
  for (int i = 0; i < 32767; ++i) many.push_back(std::make_unique<TOVRAK_Connector>(apt));
  EXPECT_EQ(test::error_number([&] { TOVRAK_Connector one_more(apt); }), 6);
  EXPECT_EQ(m().lifecycle.connector_count, 32767);
}

TEST_F(Lifecycle, ConnectorsShareOneInstancePerApartmentUntilTheLastGoes) {
  platform::VirtualApartment two;
  auto a = std::make_unique<TOVRAK_Connector>(apt);
  auto a2 = std::make_unique<TOVRAK_Connector>(apt);
  TOVRAK_Connector b(two);
  const std::weak_ptr<TOVRAK_Protocol> first = a->get_TOVRAK_Protocol();
  first.lock()->put_AutoPolling(VFalse);
  EXPECT_EQ(a2->get_TOVRAK_Protocol(), first.lock());
  EXPECT_EQ(m().lifecycle.connector_count, 2);
  EXPECT_NE(b.get_TOVRAK_Protocol(), first.lock());
  a.reset();
  EXPECT_EQ(a2->get_TOVRAK_Protocol(), first.lock());
  a2.reset();  // the last one: the next connector gets a fresh instance
  EXPECT_TRUE(first.expired());
  EXPECT_EQ(m().lifecycle.shared_protocol, nullptr);
  EXPECT_EQ(TOVRAK_Connector(apt).get_TOVRAK_Protocol()->get_AutoPolling(), VTrue);
  // Once the component has ended in an apartment, it takes no new connector
  // there; the other apartment is not touched.
  m().shutdown();
  EXPECT_EQ(test::error_number([&] { TOVRAK_Connector late(apt); }), 91);
  TOVRAK_Connector c(two);
  EXPECT_EQ(c.get_TOVRAK_Protocol(), b.get_TOVRAK_Protocol());
}

TEST(Apartment, AnInstanceOutlivingItAnswersFromMemory) {
  std::shared_ptr<TOVRAK_Protocol> kept;
  {
    platform::VirtualApartment apt;
    TOVRAK_Connector c(apt);
    kept = c.get_TOVRAK_Protocol();
  }
  // The host kept the object past its apartment: it still answers from memory.
  EXPECT_EQ(kept->get_Channel(), 1);
}

TEST_F(Lifecycle, ChangeHandlersMaySubscribeAndLeaveWhileItIsRaised) {
  TOVRAK_Connector c(apt);
  auto* p = static_cast<core::Protocol*>(c.get_TOVRAK_Protocol().get());
  std::vector<std::pair<char, int16_t>> heard;  // which handler heard which state
  uint32_t first = p->AdviseChange([&](int16_t& s) {
    heard.emplace_back('a', s);
    p->UnadviseChange(first);
    p->AdviseChange([&](int16_t& t) { heard.emplace_back('c', t); });
  });
  uint32_t second = p->AdviseChange([&](int16_t& s) {
    heard.emplace_back('b', s);
    s = 99;  // a handler's write-back stays its own
  });
  p->RaiseChange(change::kSMeter);
  p->RaiseChange(change::kStatus);
  EXPECT_EQ(heard, (decltype(heard){{'a', 3}, {'b', 3}, {'b', 4}, {'c', 4}}));
  p->UnadviseChange(second);
}

}  // namespace
}  // namespace tovrak
