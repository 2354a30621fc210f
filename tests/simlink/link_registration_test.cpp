// The declarations after every successful open, in their order and with their contents.
#include "link_fixture.h"
#include "registration_table.h"
#include "simlink/registration.h"

namespace {

using LinkRegistration = LinkTest;

TEST_F(LinkRegistration, DeclaresEverythingInItsOrderAndGoesOnPastRefusals) {
  simLinkState.simConnectHandle = fake.handle();
  // A refused declaration is the simulator's to report; the others still go.
  fake.setResult("AddToDataDefinition", simconnectFail, 1);
  gf_registerSimData();
  const auto calls = fake.calls();
  const auto expected = registration_table::expectedRegistration();
  ASSERT_EQ(calls.size(), 78u);
  ASSERT_EQ(expected.size(), 78u);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].op, expected[i].op);
    EXPECT_EQ(calls[i].handle, fake.handle());
    EXPECT_EQ(calls[i].values, expected[i].values);
    EXPECT_EQ(calls[i].texts, expected[i].texts);
    if (calls[i].op == "AddToDataDefinition") {
      EXPECT_EQ(calls[i].doubles, std::vector<double>{0.0});
    }
  }
}

} // namespace
