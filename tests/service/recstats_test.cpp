// --stats: the figures of a recorder file as JSON against a two-pass reference, and the
// files it refuses, each with the line it names.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/rec_support.h"
#include "support/test_files.h"

namespace {

const char kHeader[] =
    "Date:\t03-14-2005\r\nTime:\t09:26:53\r\nTime-Increment[s]:\t2\r\nNumber of Samples:\t4\r\n"
    "Offset-Value [\xB5m]:\t30000\r\nSlope-Value [\xB5m/pixel]:\t16.0\r\n"
    "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n";

struct Outcome {
  int exit = -1;
  std::string out, err;
};

class RecStatsTest : public ::testing::Test {
 protected:
  // A directory of each test's own: CTest runs the tests side by side.
  void SetUp() override { dir_ = TempDir(); }

  std::string File(const std::string& text) {
    std::filesystem::create_directories(dir_);
    const std::string path = (dir_ / "RECORD.DAT").string();
    WriteFile(path, text);
    return path;
  }

  Outcome Qrox(const std::string& args) {
    const std::string out = (dir_ / "out.txt").string(), err = (dir_ / "err.txt").string();
    const int status = std::system(
        (std::string(QROX_BINARY_DIR) + "/qrox " + args + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
  }

  std::filesystem::path dir_;
};

// Mean and sample standard deviation the plain way: sum, then squared deviations.
void TwoPass(const std::vector<double>& v, double* mean, double* sd) {
  long double sum = 0;
  for (double x : v) sum += x;
  *mean = static_cast<double>(sum / v.size());
  long double squares = 0;
  for (double x : v) squares += (x - *mean) * (x - *mean);
  *sd = static_cast<double>(std::sqrt(squares / (v.size() - 1)));
}

TEST_F(RecStatsTest, JsonFiguresMatchATwoPassReference) {
  std::string text = kHeader;
  std::vector<double> columns[5];
  for (int i = 0; i < 1000; ++i) {
    const long long v[5] = {400 + i % 7, 1600 + (i * 13) % 29, 1000 + (i * 7) % 41, 2,
                            2000000000LL + (i * 37) % 1001};
    for (int c = 0; c < 5; ++c) {
      columns[c].push_back(static_cast<double>(v[c]));
      text += std::to_string(v[c]) + (c < 4 ? "\t" : "\r\n");
    }
  }
  const Outcome r = Qrox("--stats " + File(text) + " --json --limits 990,1050");
  ASSERT_EQ(r.exit, 0) << r.err;
  const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
  EXPECT_EQ(json["count"].toInt(), 1000);
  const char* names[5] = {"E-LEFT", "E-RIGHT", "M-VALUE", "EDGES", "M-VAL[um]"};
  for (int c = 0; c < 5; ++c) {
    const QJsonObject o = json[names[c]].toObject();
    double mean = 0, sd = 0;
    TwoPass(columns[c], &mean, &sd);
    const auto [lo, hi] = std::minmax_element(columns[c].begin(), columns[c].end());
    EXPECT_NEAR(o["mean"].toDouble(), mean, 1e-12 * std::abs(mean)) << names[c];
    EXPECT_NEAR(o["sd"].toDouble(), sd, 1e-9 * std::max(sd, 1.0)) << names[c];
    EXPECT_EQ(o["min"].toDouble(), *lo) << names[c];
    EXPECT_EQ(o["max"].toDouble(), *hi) << names[c];
    EXPECT_EQ(o["pp"].toDouble(), *hi - *lo) << names[c];
  }
  double mean = 0, sd = 0;
  TwoPass(columns[2], &mean, &sd);
  EXPECT_NEAR(json["cp"].toDouble(), 60.0 / (6 * sd), 1e-12);
  EXPECT_NEAR(json["cpk"].toDouble(), std::min(1050 - mean, mean - 990) / (3 * sd), 1e-12);
}

TEST_F(RecStatsTest, RefusesWhatIsNoRecorderFileNamingTheLine) {
  const std::string header = kHeader;
  const struct {
    std::string text;
    std::string named;
  } cases[] = {
      {"E-LEFT;E-RIGHT\r\n1;2\r\n", "line 1: not a recorder file"},
      {header.substr(0, header.size() - 4) + "\r\n412\t1630\t1021\t2\t5312\r\n", "line 7: not a"},
      {header + "412\t1630\t1021\t2\t5312\r\n412\t1630\t1021\t2\r\n", "line 9: damaged record"},
      {header + "412\t16x0\t1021\t2\t5312\r\n", "line 8: damaged record"},
      {header + "412\t1630\t1021\t2\t5312\r\n\r\n413\t1630\t1021\t2\t5312\r\n", "line 9: damaged"},
      {header, "line 7: no record lines"},
  };
  for (const auto& c : cases) {
    const Outcome r = Qrox("--stats " + File(c.text) + " --json");
    EXPECT_EQ(r.exit, 2) << c.named;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    // The one JSON object of the run: the exit code and the reason.
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(json["exit"].toInt(), 2) << r.out;
    EXPECT_NE(json["error"].toString().toStdString().find(c.named), std::string::npos) << r.out;
  }
  EXPECT_EQ(Qrox("--stats " + File(header + "1\t2\t3\t4\t5\r\n") + " --column WIDTH").exit, 2);
  EXPECT_EQ(Qrox("--stats " + File(header + "1\t2\t3\t4\t5\r\n") + " --limits 9,1").exit, 2);
}

}  // namespace
