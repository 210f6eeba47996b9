// The journal against the simulated sensor, kept in an SQLite file and (PostgreSQL/...)
// in the PostgreSQL server of the test run (QROX_TEST_PG_URL): an entry with its before
// and after words for every write from the command line and the window, the HISTORY panel
// and restore, two programs writing at once, and journals that cannot be written.
#include "service/journal.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>

#include "service/service.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"
#include "support/journal_support.h"
#include "support/line_support.h"
#include "support/test_files.h"

using namespace identtest;
using namespace journaltest;

namespace {

enum Store { SQLITE, POSTGRES };

std::vector<unsigned> RamOf(const sim::SimHost& host, bool eeprom = false) {
  const sim::SensorModel m = host.Model();
  std::vector<unsigned> words;
  for (const auto& half : eeprom ? m.eeprom : m.ram)
    words.insert(words.end(), half.begin(), half.end());
  return words;
}

// A port on 127.0.0.1 that takes connections but never answers.
int SilentPort(int* socketFd) {
  *socketFd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  bind(*socketFd, reinterpret_cast<sockaddr*>(&a), size);
  listen(*socketFd, 8);
  getsockname(*socketFd, reinterpret_cast<sockaddr*>(&a), &size);
  return ntohs(a.sin_port);
}

class JournalTest : public AppTest, public ::testing::WithParamInterface<Store> {
 protected:
  void SetUp() override {
    if (GetParam() == SQLITE) return;
    const char* url = std::getenv("QROX_TEST_PG_URL");
    ASSERT_TRUE(url && *url) << "no PostgreSQL server: scripts/pg_test_server.sh did not run";
    pgUrl = url;
    ASSERT_EQ(Psql("DROP TABLE IF EXISTS qrox_journal, qrox_schema"), 0);
  }
  void MakeDir() { dir = TempDir(); }

  int Psql(const std::string& sql) const {
    return std::system(("psql -q \"" + pgUrl + "\" -c \"SET client_min_messages = warning; " + sql +
                        "\" >/dev/null")
                           .c_str());
  }
  // The journal of this test, and what a journal holds (a refused write loses nothing).
  std::string Journal() const { return GetParam() == SQLITE ? PathIn("journal.sqlite") : pgUrl; }
  std::string Contents(const std::string& journal) const {
    if (GetParam() == SQLITE) return ReadFile(journal);
    return Bash("psql -At \"" + pgUrl + "\" -c \"SELECT * FROM qrox_journal\" 2>&1", dir).out;
  }
  Outcome On(const sim::SimHost& host, const std::string& args) const {
    return Qrox("--journal \"" + Journal() + "\" --port " + host.SlavePath() + " " + args, dir);
  }
  std::vector<QJsonObject> Entries() const { return History(Journal(), dir); }
  static void Press(int panel, int control) { CallCtrlCallback(panel, control, EVENT_COMMIT); }
  static void Radio(int control) {
    SetCtrlVal(pHandle, control, 1);
    CallCtrlCallback(pHandle, control, EVENT_VAL_CHANGED);
  }

  std::string pgUrl;
};

INSTANTIATE_TEST_SUITE_P(SQLite, JournalTest, ::testing::Values(SQLITE));
INSTANTIATE_TEST_SUITE_P(PostgreSQL, JournalTest, ::testing::Values(POSTGRES));

}  // namespace

TEST_P(JournalTest, CommandLineSendsHaveTheirWordsAndTheSecondIsRestored) {
  MakeDir();
  sim::SimHost host(sim::D303Model(), Unpaced());
  const std::vector<unsigned> start = RamOf(host);
  std::vector<unsigned> first = start, second = start;
  first[0] = 321;
  second[0] = 400;
  WriteFile(PathIn("first.cfg"), FileOf(first));
  WriteFile(PathIn("second.cfg"), FileOf(second));
  ASSERT_EQ(On(host, "--send-ram " + PathIn("first.cfg")).exit, 0);
  ASSERT_EQ(On(host, "--send-ram " + PathIn("second.cfg") + " --verify").exit, 0);

  std::vector<QJsonObject> h = Entries();
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(Words(h[1]["before"]), start);
  EXPECT_EQ(Words(h[1]["after"]), first);
  EXPECT_TRUE(h[1]["verified"].isNull());
  EXPECT_EQ(Words(h[0]["before"]), first);
  EXPECT_EQ(Words(h[0]["after"]), second);
  EXPECT_EQ(h[0]["verified"], true);
  for (const QJsonObject& e : h) {
    EXPECT_EQ(e["action"], "send-ram");
    EXPECT_EQ(e["outcome"], "done");
    EXPECT_EQ(e["port"].toString().toStdString(), host.SlavePath());
    const QJsonObject s = e["sensor"].toObject();
    EXPECT_EQ(QJsonArray({s["hwtype"], s["pcbtype"], s["softversion"], s["ccdtype"]}),
              QJsonArray({55, 101, 305, 1}));
    EXPECT_EQ(s["firmware"], "Q-ROX-MX sensor firmware 3.05");
  }

  const int id = h[0]["id"].toInt();
  const Outcome r = On(host, "--restore " + std::to_string(id) + " --verify");
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out,
            "RESTORE of entry " + std::to_string(id) + " verified! - RAM holds all 30 words.\n");
  EXPECT_EQ(RamOf(host), first);
  h = Entries();
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(h[0]["action"], "restore");
  EXPECT_EQ(h[0]["restore_of"], id);
  EXPECT_EQ(Words(h[0]["before"]), second);
  EXPECT_EQ(Words(h[0]["after"]), first);
  EXPECT_EQ(h[0]["verified"], true);
}

TEST_P(JournalTest, EveryOtherCommandLineWriteHasItsEntry) {
  MakeDir();
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  WriteFile(PathIn("ram.cfg"), FileOf(RamOf(host)));
  std::string table;
  for (int i = 0; i < 2048; ++i) table += std::to_string(i % 300) + "\r\n";
  WriteFile(PathIn("lin.dat"), table);
  const struct {
    std::string args, action;
    std::vector<unsigned> before, after;  // empty: null
  } cases[] = {
      {"--send-eeprom " + PathIn("ram.cfg"), "send-eeprom", RamOf(host, true), RamOf(host)},
      {"--read-eeprom " + PathIn("new.cfg"), "send-file", {}, RamOf(host)},
      {"--read-ram " + PathIn("new.cfg"), "send-file", RamOf(host), RamOf(host)},
      {"--write-xflash " + PathIn("lin.dat"), "write-xflash", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Outcome r = On(host, c.args);
    EXPECT_EQ(r.exit, 0) << r.err;
    const std::vector<QJsonObject> h = Entries();
    ASSERT_FALSE(h.empty());
    const QJsonObject& e = h[0];
    EXPECT_EQ(e["action"].toString().toStdString(), c.action);
    EXPECT_EQ(e["outcome"], "done");
    EXPECT_EQ(Words(e["before"]), c.before);
    EXPECT_EQ(Words(e["after"]), c.after);
  }
  const QJsonObject xflash = Entries()[0];  // the last case's
  EXPECT_EQ(xflash["verified"], true);
  EXPECT_EQ(xflash["table_words"], 2048);
  EXPECT_EQ(xflash["table_checksum"].toString().size(), 8);
}

TEST_P(JournalTest, TwoProgramsWritingAtOnceLoseNoEntry) {
  MakeDir();
  sim::SimHost a(sim::DefaultModel(), Unpaced()), b(sim::D303Model(), Unpaced());
  WriteFile(PathIn("a.cfg"), FileOf(RamOf(a)));
  WriteFile(PathIn("b.cfg"), FileOf(RamOf(b)));
  auto loop = [&](const sim::SimHost& host, const std::string& file) {
    return "(for i in 1 2 3 4; do $qrox --journal \"" + Journal() + "\" --port " +
           host.SlavePath() + " --send-ram " + PathIn(file) + " || echo failed; done)";
  };
  const Outcome r = Bash(loop(a, "a.cfg") + " & " + loop(b, "b.cfg") + " & wait", dir);
  EXPECT_EQ(r.out.find("failed"), std::string::npos) << r.err;
  const std::vector<QJsonObject> h = Entries();
  ASSERT_EQ(h.size(), 8u);
  std::multiset<std::string> ports;
  for (const QJsonObject& e : h) {
    ports.insert(e["port"].toString().toStdString());
    EXPECT_EQ(e["outcome"], "done");
    EXPECT_EQ(e["before"].toArray().size(), 30);
  }
  EXPECT_EQ(ports.count(a.SlavePath()), 4u);
  EXPECT_EQ(ports.count(b.SlavePath()), 4u);
}

TEST_P(JournalTest, AJournalThatCannotBeWrittenStopsACommandLineWrite) {
  MakeDir();
  sim::SimHost host(sim::DefaultModel(), Unpaced());
  WriteFile(PathIn("ram.cfg"), FileOf(RamOf(host)));
  ASSERT_EQ(On(host, "--send-ram " + PathIn("ram.cfg")).exit, 0);  // one entry to keep
  int silentFd = -1;
  const std::string silent = std::to_string(SilentPort(&silentFd));
  const std::string cfg = " --port " + host.SlavePath() + " --send-ram " + PathIn("ram.cfg");
  const std::string pgHost = pgUrl.substr(pgUrl.find('@') + 1);
  auto sqlite = [](const std::string& file, const std::string& sql) {
    return "python3 -c \"import sqlite3; c = sqlite3.connect(\\\"" + file +
           "\\\"); c.execute(\\\"" + sql + "\\\"); c.commit()\"";
  };
  const struct {
    Store store;
    std::string setUp, limit, journal, reason;
  } cases[] = {
      {SQLITE, "echo no database >" + PathIn("text.db"), "", PathIn("text.db"),
       "file is not a database"},
      {SQLITE, sqlite(PathIn("parts.db"), "CREATE TABLE parts (x)"), "", PathIn("parts.db"),
       "a database of another program"},
      {SQLITE, "", "", "/proc/qrox/journal.sqlite", "unable to open database file"},
      {SQLITE, "", "trap \"\" XFSZ; ulimit -f 4; ", Journal(), "disk I/O error"},
      {SQLITE, sqlite(Journal(), "UPDATE qrox_schema SET version = 9"), "", Journal(),
       "made by a newer program (schema version 9"},
      {POSTGRES, "", "", "postgresql://qrox@127.0.0.1:1/qrox_journal", "Connection refused"},
      {POSTGRES, "", "", "postgresql://qrox@127.0.0.1:" + silent + "/qrox_journal",
       "timeout expired"},
      {POSTGRES, "", "", "postgresql://qrox:wrong@" + pgHost, "password authentication failed"},
      {POSTGRES, "psql -q \"" + pgUrl + "\" -c \"UPDATE qrox_schema SET version = 9\"", "", pgUrl,
       "made by a newer program (schema version 9"},
  };
  for (const auto& c : cases) {
    if (c.store != GetParam()) continue;
    SCOPED_TRACE(c.journal);
    if (!c.setUp.empty()) {
      ASSERT_EQ(Bash(c.setUp, dir).exit, 0);
    }
    host.ClearReceived();
    const std::string kept = Contents(c.journal);
    const Outcome r = Bash(c.limit + "$qrox --journal \"" + c.journal + "\"" + cfg, dir);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 10.0);
    EXPECT_TRUE(host.Received().empty());
    EXPECT_EQ(Contents(c.journal), kept);
  }
  close(silentFd);
  const Outcome r = Qrox("--no-journal" + cfg, dir);  // written without a record
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(identtest::CommandsAndArguments(host.Received()).back(), std::make_pair(1, 1));
}

TEST_P(JournalTest, EveryWriteFromTheWindowHasItsEntry) {
  StartApp(sim::D303Model());
  SetJournalLocation(Journal());
  const std::vector<unsigned> ram = RamOf(*sensor), eeprom = RamOf(*sensor, true);
  Radio(MAIN_EEPROM);
  Press(pHandle, MAIN_GET);  // EEPROM is known from now on
  SetCtrlVal(pPara2, PARA2_POWER, 321);
  Press(pHandle, MAIN_SEND);
  Press(pHandle, MAIN_SEND);  // not read back: EEPROM is not known any more
  Radio(MAIN_RAM);
  SetCtrlVal(pHandle, MAIN_VERIFY, 1);
  Press(pHandle, MAIN_SEND);
  const std::vector<unsigned> sent = RamOf(*sensor);
  WriteFile(PathIn("kept.cfg"), FileOf(ram));
  Radio(MAIN_FILE);
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, PathIn("kept.cfg"));
  Press(pHandle, MAIN_SEND);
  Press(pPara2, PARA2_TEACH);
  Press(pHandle, MAIN_RESET);
  WriteFile(PathIn("lin.dat"), FileOf(std::vector<unsigned>(2048, 7)));
  QueueFileSelectAnswer(VAL_EXISTING_FILE_SELECTED, PathIn("lin.dat"));
  QueueConfirmAnswer(1);
  Press(pCalib, CALIB_XFLASH_WRITE);

  const std::vector<unsigned> none;
  const struct {
    const char* action;
    std::vector<unsigned> before, after;
    QJsonValue verified;
  } expected[] = {
      {"write-xflash", none, none, true},
      {"reset", none, none, QJsonValue::Null},
      {"teach", sent, RamOf(*sensor), QJsonValue::Null},
      {"send-file", ram, sent, QJsonValue::Null},
      {"send-ram", ram, sent, true},
      {"send-eeprom", none, sent, QJsonValue::Null},
      {"send-eeprom", eeprom, sent, QJsonValue::Null},
  };
  const std::vector<QJsonObject> h = Entries();
  ASSERT_EQ(h.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(expected[i].action);
    EXPECT_EQ(h[i]["action"], expected[i].action);
    EXPECT_EQ(h[i]["outcome"], "done");
    EXPECT_EQ(Words(h[i]["before"]), expected[i].before);
    EXPECT_EQ(Words(h[i]["after"]), expected[i].after);
    EXPECT_EQ(h[i]["verified"], expected[i].verified);
  }
}

TEST_P(JournalTest, TheHistoryPanelShowsTheChangedWordsAndRestores) {
  StartApp(sim::D303Model());
  SetJournalLocation(Journal());
  const unsigned power = sensor->Model().ram[0][0];
  SetCtrlVal(pPara2, PARA2_POWER, 321);
  Press(pHandle, MAIN_SEND);
  Press(pHandle, MAIN_HISTORY);
  auto cell = [](int control, int row, int column) {
    char text[128] = "";
    GetTableCellVal(pHistory, control, row, column, text, sizeof text);
    return std::string(text);
  };
  int rows = 0;
  GetNumTableRows(pHistory, HISTORY_WORDS, &rows);
  ASSERT_EQ(rows, 1);  // the one word changed, under its name
  EXPECT_EQ(cell(HISTORY_WORDS, 1, 2), "POWER");
  EXPECT_EQ(cell(HISTORY_WORDS, 1, 3), std::to_string(power));
  EXPECT_EQ(cell(HISTORY_WORDS, 1, 4), "321");
  EXPECT_EQ(cell(HISTORY_ENTRIES, 1, 3), "send-ram");

  QueueConfirmAnswer(1);
  Press(pHistory, HISTORY_RESTORE);
  EXPECT_EQ(Status(), "RESTORE of entry " + cell(HISTORY_ENTRIES, 2, 1) +
                          " verified! - RAM holds all 30 words.");
  EXPECT_EQ(sensor->Model().ram[0][0], power);
  EXPECT_EQ(cell(HISTORY_ENTRIES, 1, 3), "restore");
  EXPECT_EQ(identtest::IntOf(pPara2, PARA2_POWER), static_cast<int>(power));
}

TEST_P(JournalTest, AJournalThatCannotBeWrittenOnlyWarnsInTheWindow) {
  StartApp(sim::DefaultModel());
  SetJournalLocation(GetParam() == SQLITE ? "/proc/qrox/journal.sqlite"
                                          : "postgresql://qrox@127.0.0.1:1/qrox_journal");
  sensor->ClearReceived();
  Press(pHandle, MAIN_SEND);
  EXPECT_TRUE(sensor->WaitForFrames(2, 2.0));
  EXPECT_EQ(Status(), "Line Ok!");
  EXPECT_EQ(identtest::Attr(pHandle, MAIN_HELP2, ATTR_VISIBLE), 1);
  EXPECT_EQ(
      identtest::TextOf(pHandle, MAIN_HELP2).rfind("JOURNAL:\nThis write is not recorded!", 0), 0u)
      << identtest::TextOf(pHandle, MAIN_HELP2);
}
