// The service report, its replay on the simulated sensor and the scan, through the
// programs: the files written, the frames on the wire, the JSON printed and the exit codes.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <filesystem>
#include <set>

#include "engine/engine.h"
#include "service/service.h"
#include "shell/globals.h"
#include "sim/sim.h"
#include "support/app_fixture.h"
#include "support/line_support.h"
#include "support/program_support.h"
#include "support/test_files.h"

using namespace programtest;

namespace {

QJsonObject Json(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::vector<int> Numbers(const QJsonValue& array) {
  std::vector<int> out;
  for (const QJsonValue& v : array.toArray()) out.push_back(v.toInt(-1));
  return out;
}

std::vector<int> Memory(const std::array<uint16_t, 15> halves[2]) {
  std::vector<int> out;
  for (int h = 0; h < 2; ++h) out.insert(out.end(), halves[h].begin(), halves[h].end());
  return out;
}

// Count, mean, sd (n - 1), min, max by two passes: the reference for the report's figures.
std::array<double, 5> Reference(const std::vector<double>& x) {
  double sum = 0, squares = 0;
  for (double v : x) sum += v;
  const double mean = sum / x.size();
  for (double v : x) squares += (v - mean) * (v - mean);
  return {double(x.size()), mean, std::sqrt(squares / (x.size() - 1)),
          *std::min_element(x.begin(), x.end()), *std::max_element(x.begin(), x.end())};
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = TempDir(); }
  std::string In(const std::string& name) const { return dir + "/" + name; }

  static std::unique_ptr<sim::SimHost> Sensor(const sim::SensorModel& model,
                                              const sim::Faults& faults = {}) {
    sim::SimHost::Options o;
    o.pacing = false;
    o.turnaround = 0.0;
    auto host = std::make_unique<sim::SimHost>(model, o);
    host->SetFaults(faults);
    return host;
  }

  std::string dir;
};

const std::set<int> kReads = {2, 4, 5, 7, 8, 9, 10, 103};  // echo, GET, identification, data

TEST_F(ReportTest, ReportHoldsWhatTheSensorHoldsAndWritesNothingToIt) {
  const sim::SensorModel model = sim::D303Model();
  auto host = Sensor(model);
  const Outcome r = Qrox(
      "--port " + host->SlavePath() + " --report " + In("case.json") + " --samples 40 --json", dir);
  ASSERT_EQ(r.exit, 0) << r.err;
  const QJsonObject printed = Json(r.out);
  EXPECT_EQ(printed["action"].toString(), "report");
  EXPECT_EQ(printed["exit"].toInt(-1), 0);
  EXPECT_TRUE(printed["complete"].toBool());
  EXPECT_EQ(ReadFile(In("case.pdf")).substr(0, 5), "%PDF-");

  const QJsonObject report = Json(ReadFile(In("case.json")));
  const QJsonObject sensor = report["sensor"].toObject();
  EXPECT_EQ(sensor["hwtype"].toInt(), model.hwtype);
  EXPECT_EQ(sensor["pcbtype"].toInt(), model.pcbtype);
  EXPECT_EQ(sensor["softversion"].toInt(), model.softversion);
  EXPECT_EQ(sensor["ccdtype"].toInt(), model.ccdtype);
  EXPECT_EQ(sensor["ccdvirtpixel"].toInt(), model.ccdvirtpixel);
  EXPECT_EQ(sensor["firmware"].toString().toStdString(), model.firmware);
  EXPECT_EQ(Numbers(report["ram"]), Memory(model.ram));
  EXPECT_EQ(Numbers(report["eeprom"]), Memory(model.eeprom));
  int differing = 0;
  for (size_t i = 0; i < 30; ++i) differing += Memory(model.ram)[i] != Memory(model.eeprom)[i];
  EXPECT_EQ(report["compare"]["differences"].toInt(), differing);
  EXPECT_EQ(differing, 4);  // power, both tolerances, the first word of half 1
  const auto profile = host->Profile();
  EXPECT_EQ(Numbers(report["profile"]), std::vector<int>(profile.begin(), profile.end()));
  EXPECT_TRUE(report["complete"].toBool());

  // The sample's figures against the measurement frames the sensor sent.
  std::vector<double> px, um, left, right;
  for (const sim::Reply& reply : host->Sent()) {
    if (reply.command != 8) continue;
    auto word = [&](int k) { return reply.bytes[4 + 2 * k] << 8 | reply.bytes[5 + 2 * k]; };
    left.push_back(word(0));
    right.push_back(word(1));
    px.push_back(word(2));
    um.push_back(word(3) + 65536.0 * word(4));
  }
  ASSERT_EQ(px.size(), 40u);
  const QJsonObject m = report["measurements"].toObject();
  EXPECT_EQ(m["count"].toInt(), 40);
  for (const auto& [key, values] :
       {std::pair{"value_px", px}, {"value_um", um}, {"left", left}, {"right", right}}) {
    const auto ref = Reference(values);
    const QJsonObject s = m[key].toObject();
    int i = 1;
    for (const char* figure : {"mean", "sd", "min", "max"})
      EXPECT_NEAR(s[figure].toDouble(), ref[i++], 1e-9 * (1 + std::fabs(ref[1]))) << key << figure;
  }
  for (const sim::Frame& f : host->Received())
    EXPECT_TRUE(kReads.count(f.command())) << f.command();
}

TEST_F(ReportTest, XflashIsReadBackAgainstTheLinearisationFile) {
  auto host = Sensor(sim::DefaultModel());  // an X-FLASH of 0xFFFF, file value 32768
  std::string file;
  for (int i = 0; i < 2048; ++i)
    file += (i == 5 || i == 700 || i == 2047 ? "1" : "32768") + std::string("\r\n");
  WriteFile(In("XF-LINEAR.DAT"), file);
  const Outcome r = Qrox("--port " + host->SlavePath() + " --report " + In("x.json") +
                             " --samples 1 --xflash-file " + In("XF-LINEAR.DAT"),
                         dir);
  EXPECT_EQ(r.exit, 1) << r.err;
  const QJsonObject x = Json(ReadFile(In("x.json")))["xflash"].toObject();
  EXPECT_EQ(x["read_chunks"].toInt(), 256);
  EXPECT_EQ(x["differing_words"].toInt(), 3);
  for (const sim::Frame& f : host->Received())
    EXPECT_TRUE(kReads.count(f.command())) << f.command();
}

TEST_F(ReportTest, SilenceAndUnwritablePathsGiveExitTwo) {
  sim::Faults faults;
  faults.silentAfter = 5 + 2 + 4 + 10;  // start-up, identification, RAM, EEPROM, 10 frames
  auto host = Sensor(sim::DefaultModel(), faults);
  Outcome r = Qrox("--port " + host->SlavePath() + " --report " + In("late.json"), dir);
  EXPECT_EQ(r.exit, 2);
  const QJsonObject late = Json(ReadFile(In("late.json")));
  EXPECT_FALSE(late["complete"].toBool(true));
  EXPECT_EQ(late["measurements"]["count"].toInt(), 10);
  EXPECT_EQ(late["missing"].toArray().size(), 2);  // the rest of the sample, the profile
  EXPECT_TRUE(late["profile"].isNull());

  auto quiet = Sensor(sim::DefaultModel());
  for (const std::string& path : {std::string("/nonexistent-dir/r.json"), dir}) {
    r = Qrox("--port " + quiet->SlavePath() + " --report " + path, dir);
    EXPECT_EQ(r.exit, 2) << path;
    EXPECT_NE(r.err.find("REPORT: cannot write"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir + ".pdf"));
}

TEST_F(ReportTest, ReplayedSensorGivesTheSameReport) {
  auto host = Sensor(sim::MX400Model());
  ASSERT_EQ(Qrox("--port " + host->SlavePath() + " --report " + In("a.json"), dir).exit, 0);
  SimProgram replay({"--no-pacing", "--from-report", In("a.json")});
  const std::string pty = replay.Line();
  ASSERT_FALSE(pty.empty());
  const Outcome r = Qrox("--port " + pty + " --report " + In("b.json"), dir);
  ASSERT_EQ(r.exit, 0) << r.err;
  const QJsonObject a = Json(ReadFile(In("a.json"))), b = Json(ReadFile(In("b.json")));
  for (const char* key : {"sensor", "ram", "eeprom", "profile"}) EXPECT_EQ(a[key], b[key]) << key;
  const QJsonObject pa = a["measurements"]["value_px"].toObject();
  const QJsonObject pb = b["measurements"]["value_px"].toObject();
  // Means of 100 frames each: within four standard errors of both, and the rounding.
  EXPECT_NEAR(pb["mean"].toDouble(), pa["mean"].toDouble(), 4 * pa["sd"].toDouble() / 7 + 0.5);
  EXPECT_GE(pb["min"].toDouble(), pa["min"].toDouble());
  EXPECT_LE(pb["max"].toDouble(), pa["max"].toDouble());

  const std::string whole = ReadFile(In("a.json"));
  const struct {
    std::string text, error;
  } bad[] = {
      {whole.substr(0, whole.size() / 2), "line "},
      {"{\"name\": \"other\"}", "key \"tool\""},
      {"{\"tool\": \"Q-ROX-MX-Raror 3.06\",\n \"sensor\": {\"hwtype\": 37}}", "sensor.pcbtype"},
      {"{\"tool\": \"Q-ROX-MX-Raror 3.06\",\n\"ram\": [1, 2,, 3]}", "line 2"}};
  for (const auto& b : bad) {
    WriteFile(In("bad.json"), b.text);
    const Outcome refused = Program("qrox-sim", "--from-report " + In("bad.json"), dir);
    EXPECT_EQ(refused.exit, 2) << b.error;
    EXPECT_NE(refused.err.find(b.error), std::string::npos) << refused.err;
  }
}

TEST_F(ReportTest, ScanListsTheAnsweringSensorAndTheSilentPort) {
  sim::Faults silent;
  silent.silent = true;
  auto answering = Sensor(sim::K20Model());
  auto quiet = Sensor(sim::DefaultModel(), silent);
  Outcome r =
      Qrox("--scan --json --port " + answering->SlavePath() + " --port " + quiet->SlavePath(), dir);
  EXPECT_EQ(r.exit, 0) << r.err;
  std::map<std::string, QJsonObject> ports;
  for (const QJsonValue& p : Json(r.out)["ports"].toArray())
    ports[p["device"].toString().toStdString()] = p.toObject();
  const QJsonObject found = ports[answering->SlavePath()];
  EXPECT_TRUE(found["answered"].toBool());
  EXPECT_EQ(found["sensor"]["hwtype"].toInt(), 500);
  EXPECT_EQ(found["sensor"]["firmware"].toString().toStdString(), sim::K20Model().firmware);
  EXPECT_FALSE(ports[quiet->SlavePath()]["answered"].toBool(true));
  EXPECT_NE(r.err.find("no answer"), std::string::npos) << r.err;
  for (const sim::Frame& f : answering->Received())
    EXPECT_TRUE(std::set<int>({5, 7, 10}).count(f.command()));

  r = Qrox("--scan --port " + quiet->SlavePath(), dir);
  EXPECT_EQ(r.exit, 2);
}

TEST_F(ReportTest, EveryActionPrintsOneJsonObject) {
  const sim::SensorModel model = sim::DefaultModel();
  auto host = Sensor(model);
  std::string lin;
  for (int i = 0; i < 2048; ++i) lin += "7\r\n";
  WriteFile(In("lin.dat"), lin);
  const std::string port = "--port " + host->SlavePath() + " --json ";
  QJsonArray ram;
  for (int word : Memory(model.ram)) ram.append(word);
  const struct {
    std::string args;
    const char* action;
    int exit;
    const char* key;
    QJsonValue value;
  } cases[] = {
      {port + "--read-ram " + In("r.cfg"), "read-ram", 0, "words_read", ram},
      {port + "--send-eeprom " + In("r.cfg") + " --verify", "send-eeprom", 0, "differences",
       QJsonArray()},
      {port + "--compare " + In("r.cfg") + " --against eeprom", "compare", 0, "differences",
       QJsonArray()},
      {port + "--write-xflash " + In("lin.dat"), "write-xflash", 0, "failed_chunks", 0},
      {port + "--record " + In("rec.dat") + " --samples 2 --increment 0", "record", 0, "records",
       2},
      {port + "--report " + In("j.json") + " --samples 5", "report", 0, "complete", true},
      {"--json --stats " + In("rec.dat"), "stats", 0, "count", 2},
      {port + "--record " + In("x.dat") + " --samples x", "record", 2, "error",
       "--samples needs a whole number from 0 to 65535"},
  };
  for (const auto& c : cases) {
    const Outcome r = Qrox(c.args, dir);
    const QJsonObject o = Json(r.out);
    EXPECT_EQ(r.exit, c.exit) << c.args << r.err;
    EXPECT_EQ(o["action"].toString(), c.action) << r.out;
    EXPECT_EQ(o["exit"].toInt(-1), c.exit) << r.out;
    EXPECT_FALSE(o["meaning"].toString().isEmpty()) << r.out;
    EXPECT_TRUE(o["seconds"].isDouble()) << r.out;
    EXPECT_EQ(o[c.key], c.value) << c.key << " in " << r.out;
  }
}

}  // namespace

namespace {

class ReportWindowTest : public AppTest {};

TEST_F(ReportWindowTest, ReportButtonAsksForTheFileAndLeavesTheSetAsItWas) {
  StartApp(sim::DefaultModel());
  const std::vector<u16> before(parameter, parameter + 64);
  sensor->ClearReceived();
  QueueFileSelectAnswer(VAL_NEW_FILE_SELECTED, PathIn("window.json"));
  CallCtrlCallback(pHandle, MAIN_REPORT, EVENT_COMMIT);
  EXPECT_EQ(Status(), "REPORT written: " + PathIn("window.json") + " and " + PathIn("window.pdf"));
  EXPECT_TRUE(Json(ReadFile(PathIn("window.json")))["complete"].toBool());
  EXPECT_EQ(ReadFile(PathIn("window.pdf")).substr(0, 5), "%PDF-");
  EXPECT_EQ(std::vector<u16>(parameter + 3, parameter + 64),
            std::vector<u16>(before.begin() + 3, before.end()));
  for (const sim::Frame& f : sensor->Received())
    EXPECT_TRUE(kReads.count(f.command())) << f.command();
}

}  // namespace
