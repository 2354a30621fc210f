// The user aircraft's state from the simulator's replies: position and teleports, the
// simulator's UTC time, the stand under it, its title and its model.
#include "core/errors.h"
#include "core/refdata/dbase_tables.h"
#include "link_fixture.h"
#include "simlink/dispatch.h"
#include "simlink/link_handlers.h"
#include "simlink/user_state.h"
#include "support/sim_messages.h"

#include <cstring>
#include <limits>
#include <optional>

namespace {

namespace msg = sim_messages;

constexpr double klaxLat = 33.9425;
constexpr double klaxLon = -118.4081;
// One nautical mile north is one minute of latitude on the program's sphere.
constexpr double nmNorth = 1.0 / 60.0;

class LinkUser : public LinkTest {
protected:
  LinkUser() {
    simLinkState.simConnectHandle = fake.handle();
    simLinkState.userObjectId = 1;
  }
  void dispatch(const msg::Bytes& bytes) {
    gf_dispatchProc(reinterpret_cast<const SimConnectRecv*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()),
                    nullptr);
  }
  void state(double latitude, double longitude, double altitude = 125.0, double groundSpeed = 0.0,
             std::uint32_t objectId = 1) {
    dispatch(msg::objectData(109, objectId, 403,
                             msg::userStateBlock(latitude, longitude, altitude, 0.0, groundSpeed, 3600, 32, 2024)));
  }
  void onGround(std::int64_t value) { dispatch(msg::objectData(108, 1, 409, msg::Block().i64(value))); }
};

TEST_F(LinkUser, AJumpOfMoreThanTenMilesIsANewFlight) {
  state(klaxLat, klaxLon, -20.0, 0.0, 7);
  EXPECT_FALSE(runState.stopRequested.load()) << "the first reply is no jump";
  const UserAcData first = gf_requestUserAcPosition();
  EXPECT_EQ(first.latitude, klaxLat);
  EXPECT_EQ(first.altitude, 0.0) << "a negative altitude is stored as 0";
  EXPECT_EQ(first.zuluDayOfYear, 32);
  EXPECT_EQ(simLinkState.userObjectId.load(), 7u);

  state(klaxLat + 9.9 * nmNorth, klaxLon);
  EXPECT_FALSE(runState.stopRequested.load());
  state(klaxLat + 9.9 * nmNorth + 10.5 * nmNorth, klaxLon);
  EXPECT_TRUE(runState.stopRequested.load());
  EXPECT_EQ(gf_exitReason(), ExitReason::NewFlight);
  EXPECT_EQ(gf_restartDelay(), 30);
  EXPECT_TRUE(log.contains("Teleport"));
}

TEST_F(LinkUser, TheSimulatorsDateBecomesSecondsSince1970) {
  struct Date {
    std::int64_t year, day, seconds;
    std::optional<std::int64_t> expected;
  };
  constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
  for (const Date& d : std::vector<Date>{{1970, 1, 0, 0},
                                         {2024, 1, 0, 1704067200},
                                         {2024, 366, 86399, 1735689599},
                                         {2000, 60, 3600, 951786000},
                                         {1900, 1, 0, -2208988800},
                                         {2024 + 65536, 1, 0, 1704067200}, // only the low 16 bits count
                                         {0, 1, 0, -62167219200},
                                         {2016, 366, 86400, 1483228800},   // a leap second
                                         {most, 366, 86400, -62167132800}, // the year -1
                                         {least, 1, 0, -62167219200},
                                         // Out of range: no time at all, never an overflow.
                                         {2024, 0, 0, std::nullopt},
                                         {2024, 367, 0, std::nullopt},
                                         {2024, most, 0, std::nullopt},
                                         {2024, least, 0, std::nullopt},
                                         {2024, 1, -1, std::nullopt},
                                         {2024, 1, 86401, std::nullopt},
                                         {2024, 1, most, std::nullopt}}) {
    EXPECT_EQ(gf_simUtcSeconds(d.year, d.day, d.seconds), d.expected) << d.year << "-" << d.day << " " << d.seconds;
  }
  state(klaxLat, klaxLon);
  EXPECT_EQ(simUtcSeconds.load(), 0) << "kept only for RealTraffic's professional edition";
  realTrafficLink.professional = true;
  state(klaxLat, klaxLon);
  EXPECT_EQ(simUtcSeconds.load(), 1706749200); // 2024-02-01 01:00:00

  // A day of the year far out of range: the position is taken, RealTraffic keeps the last good time.
  dispatch(msg::objectData(
      109, 1, 403,
      msg::userStateBlock(klaxLat + nmNorth, klaxLon, 125.0, 0.0, 0.0, 3600, std::int64_t{1} << 60, 2024)));
  EXPECT_EQ(simUtcSeconds.load(), 1706749200);
  EXPECT_EQ(gf_userAcData().latitude, klaxLat + nmNorth);
  EXPECT_TRUE(log.contains("! SimConnect zulu day 1152921504606846976 and time 3600 s out of range, the simulator's "
                           "time not taken"));
}

TEST_F(LinkUser, AStateWithANumberOutOfRangeIsDroppedWhole) {
  state(klaxLat, klaxLon);
  const UserAcData good = gf_userAcData();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* field;
    std::size_t datum; // the float64 of the state block, counted from 0
    double value;
  };
  for (const Case& c : std::vector<Case>{{"latitude", 0, 90.5},
                                         {"latitude", 0, nan},
                                         {"longitude", 1, -180.5},
                                         {"pitch", 2, inf},
                                         {"bank", 3, -13.0},
                                         {"heading", 4, nan},
                                         {"altitude", 5, 2.0e6},
                                         {"altitude above ground", 6, -inf},
                                         {"ground velocity", 7, -1.0},
                                         {"ground velocity", 7, nan}}) {
    SCOPED_TRACE(c.field);
    msg::Block block = msg::userStateBlock(klaxLat + 20 * nmNorth, klaxLon, 125.0, 0.0, 0.0, 3600, 32, 2024);
    auto bytes = msg::objectData(109, 9, 403, block);
    std::memcpy(bytes.data() + 40 + 8 * c.datum, &c.value, sizeof c.value);
    dispatch(bytes);
    EXPECT_EQ(gf_userAcData().latitude, good.latitude);
    EXPECT_FALSE(runState.stopRequested.load()) << "no teleport from a state that was dropped";
    EXPECT_EQ(simLinkState.userObjectId.load(), 1u);
  }
  EXPECT_TRUE(log.contains("! SimConnect user aircraft state with its latitude out of range, dropped"));
  // The same kind again within a minute is counted, not written.
  std::size_t written = 0;
  for (const auto& line : log.lines()) written += line.find("user aircraft state with its") != std::string::npos;
  EXPECT_EQ(written, 1u);
  gf_resetSimLink(5);
  EXPECT_TRUE(log.contains("9 more lines of the kind 'user state' not logged"));
}

TEST_F(LinkUser, OnGroundRepliesCountOnlyOnceThePositionIsKnown) {
  onGround(1);
  EXPECT_TRUE(gf_takeSecondTick());
  EXPECT_FALSE(userOnGroundKnown.load());
  EXPECT_FALSE(userPositionKnown.load());
  state(klaxLat, klaxLon);
  onGround(0x100000000); // only the low 32 bits count
  EXPECT_TRUE(gf_takeSecondTick());
  EXPECT_TRUE(userOnGroundKnown.load());
  EXPECT_TRUE(userPositionKnown.load());
  EXPECT_FALSE(userOnGround.load());
  onGround(1);
  EXPECT_TRUE(userOnGround.load());
}

TEST_F(LinkUser, TheStandUnderTheUserIsShownAndRemembered) {
  gf_publishParkStands("KLAX", {{"Gate 42", klaxLat, klaxLon}, {"Gate 43", klaxLat + 0.001, klaxLon}});
  static std::vector<std::pair<std::string, std::string>> recorded;
  recorded.clear();
  gf_setUserStandRecorder(
      [](const std::string& code, const std::string& stand) { recorded.emplace_back(code, stand); });
  state(klaxLat, klaxLon);
  onGround(1);
  state(klaxLat + 0.0001, klaxLon); // 11 m off
  EXPECT_EQ(mainWindow.snapshot().userStandText, "Gate 42");
  dispatch(msg::event(206, 0)); // a new flight: the stand is remembered first
  state(klaxLat + 0.01, klaxLon);
  EXPECT_EQ(mainWindow.snapshot().userStandText, "");
  dispatch(msg::fileEvent(206, "flight.fxml")); // away from every stand: nothing to remember
  state(klaxLat + 0.001, klaxLon, 125.0, 3.0);
  EXPECT_EQ(mainWindow.snapshot().userStandText, "Gate 43");
  gf_rememberUserStand(); // rolling at 3 kt: not parked
  EXPECT_EQ(recorded, (std::vector<std::pair<std::string, std::string>>{{"KLAX", "Gate 42"}}));
  onGround(0);
  state(klaxLat, klaxLon);
  EXPECT_EQ(mainWindow.snapshot().userStandText, "") << "in the air no stand is under the user";
}

TEST_F(LinkUser, TheTitleIsCutTo48BytesAndLoggedWhenItChanges) {
  const std::string sixty = "Boeing 737-800 Hivemoor Airlines with winglets (N737HV) 2024";
  ASSERT_EQ(sixty.size(), 60u);
  dispatch(msg::objectData(106, 1, 407, msg::Block().variableText(sixty)));
  EXPECT_EQ(gf_userTitle(), sixty.substr(0, 48));
  EXPECT_EQ(mainWindow.snapshot().userAircraftTitle, sixty.substr(0, 48));
  dispatch(msg::objectData(106, 1, 407, msg::Block().variableText(sixty)));
  std::size_t logged = 0;
  for (const auto& line : log.lines()) logged += line.find("SimConnect: User aircraft title: ") != std::string::npos;
  EXPECT_EQ(logged, 1u);
  // A cut never splits a character.
  dispatch(msg::objectData(106, 1, 407, msg::Block().variableText(std::string(47, 'A') + "\xC3\xA9xyz")));
  EXPECT_EQ(gf_userTitle(), std::string(47, 'A'));
  dispatch(msg::objectData(106, 1, 407, msg::Block().variableText("")));
  EXPECT_TRUE(log.contains("! Title of your aircraft is empty?"));
}

class LinkUserModel : public LinkUser {
protected:
  LinkUserModel() : saved_(dbaseTables) {
    dbaseTables = {};
    dbaseTables.aircraftTypes = {"A320", "B738", "E190"};
    dbaseTables.largeTypes = {"A320", "B738", "E190"};
    dbaseTables.halfSpans = {{"A320", 0.0097}, {"B738", 0.0097}, {"E190", 0.0078}};
    dbaseTables.maxHalfSpanNm = 0.0237;
  }
  ~LinkUserModel() override { dbaseTables = saved_; }
  void model(const std::string& text) { dispatch(msg::objectData(107, 1, 408, msg::Block().fixedText(text, 32))); }
  void title(const std::string& text) { dispatch(msg::objectData(106, 1, 407, msg::Block().variableText(text))); }

private:
  DbaseTables saved_;
};

TEST_F(LinkUserModel, AKnownModelGivesItsHalfSpanAndCategory) {
  model("B738");
  EXPECT_EQ(gf_userHalfSpanNm(), 0.0097);
  EXPECT_TRUE(mainWindow.snapshot().userWingspanKnown);
  EXPECT_TRUE(log.contains("model raw: B738"));
  EXPECT_TRUE(log.contains("SimConnect: User aircraft model: B738, half wing span: 18.0 meter, category: Large"));
}

TEST_F(LinkUserModel, AnUnknownModelTakesTheLargestSpanUnlessTheTitleNamesIt) {
  model("B737800");
  EXPECT_EQ(gf_userHalfSpanNm(), 0.0237);
  EXPECT_FALSE(mainWindow.snapshot().userWingspanKnown);
  EXPECT_EQ(gf_statusLineSnapshot().message,
            "User aircraft wing span unknown, max is taken instead, please report in my Forum!");
  model("ZZZZ"); // four characters, but no type the reference data knows
  EXPECT_EQ(gf_userHalfSpanNm(), 0.0237);
  title("Aerosoft A320 Lufthansa D-AIZA");
  model("AB320X");
  EXPECT_EQ(gf_userHalfSpanNm(), 0.0097);
  EXPECT_TRUE(mainWindow.snapshot().userWingspanKnown);
  EXPECT_TRUE(log.contains("SimConnect: User aircraft model deduced from title: A320, half wing span: 18.0 meter"));
}

TEST_F(LinkUserModel, CamerasAndVesselsAreGivenAnE190sSpan) {
  model("camerapod");
  EXPECT_EQ(gf_userHalfSpanNm(), 0.0078);
  EXPECT_TRUE(mainWindow.snapshot().userWingspanKnown);
  const auto lines = log.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "          SimConnect: User aircraft model: camerapod"), lines.end());
}

TEST_F(LinkUserModel, AnEmptyModelEndsTheLink) {
  try {
    model("");
    FAIL() << "an empty model must end the link";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "71: atc_model= in [General] section of your aircraft.cfg is empty or missing");
  }
}

} // namespace
