// The sensor a service report recorded, read from the report's JSON file with Qt's JSON
// parser (the tool writes the report with the same parser, so both agree on the grammar).
#include "sim/replay.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace sim {

namespace {

// The value at a dotted key ("sensor.hwtype"); undefined where a part is missing.
QJsonValue At(const QJsonObject& root, const QString& key) {
  QJsonValue v = root;
  for (const QString& part : key.split('.')) v = v.toObject().value(part);
  return v;
}

// Reads the keys of one report; the first key that is missing or wrong is named in error.
class Reader {
 public:
  explicit Reader(const QJsonObject& root) : root_(root) {}

  bool Word(const QString& key, uint16_t* out) { return WordOf(At(root_, key), key, out); }

  // A key that older reports may lack: left as it is when missing.
  bool OptionalWord(const QString& key, uint16_t* out) {
    return At(root_, key).isUndefined() || Word(key, out);
  }

  bool Number(const QString& key, double* out) {
    const QJsonValue v = At(root_, key);
    if (!v.isDouble()) return Fail(key, v.isUndefined() ? "missing" : "not a number");
    *out = v.toDouble();
    return true;
  }

  bool Text(const QString& key, std::string* out) {
    const QJsonValue v = At(root_, key);
    if (!v.isString()) return Fail(key, v.isUndefined() ? "missing" : "not a text");
    *out = v.toString().toStdString();
    return true;
  }

  bool Words(const QString& key, uint16_t* out, int count) {
    const QJsonValue v = At(root_, key);
    if (!v.isArray() || v.toArray().size() != count)
      return Fail(
          key, v.isUndefined() ? "missing" : "not a list of " + std::to_string(count) + " numbers");
    const QJsonArray a = v.toArray();
    for (int i = 0; i < count; ++i)
      if (!WordOf(a[i], QString("%1[%2]").arg(key).arg(i), &out[i])) return false;
    return true;
  }

  bool Spread(const QString& key, SensorModel::Spread* s) {
    return Number(key + ".mean", &s->mean) && Number(key + ".sd", &s->sd) &&
           Number(key + ".min", &s->min) && Number(key + ".max", &s->max);
  }

  std::string error;

 private:
  bool WordOf(const QJsonValue& v, const QString& key, uint16_t* out) {
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d < 0 || d > 65535 || d != std::floor(d))
      return Fail(key, v.isUndefined() ? "missing" : "not a whole number from 0 to 65535");
    *out = static_cast<uint16_t>(d);
    return true;
  }

  bool Fail(const QString& key, const std::string& what) {
    error = "key \"" + key.toStdString() + "\": " + what;
    return false;
  }

  QJsonObject root_;
};

bool ReadSensor(Reader& r, SensorModel* m) {
  return r.Word("sensor.hwtype", &m->hwtype) && r.Word("sensor.pcbtype", &m->pcbtype) &&
         r.Word("sensor.softversion", &m->softversion) && r.Word("sensor.ccdtype", &m->ccdtype) &&
         r.Word("sensor.ccdvirtpixel", &m->ccdvirtpixel) &&
         r.OptionalWord("sensor.ccdmaxpixel", &m->ccdmaxpixel) &&
         r.OptionalWord("sensor.ccdresolution", &m->ccdresolution) &&
         r.OptionalWord("sensor.ccdsubpixel", &m->ccdsubpixel) &&
         r.OptionalWord("sensor.ccdpixB", &m->ccdpixB) &&
         r.OptionalWord("sensor.ccdpixE", &m->ccdpixE) &&
         r.OptionalWord("sensor.adcmax", &m->adcmax) && r.Text("sensor.firmware", &m->firmware);
}

// 30 words as a parameter file holds them: half 0, then half 1.
bool ReadMemory(Reader& r, const char* key, std::array<uint16_t, 15> halves[2]) {
  uint16_t words[30];
  if (!r.Words(key, words, 30)) return false;
  for (int i = 0; i < 30; ++i) halves[i / 15][i % 15] = words[i];
  return true;
}

bool ReadMeasurements(Reader& r, SensorModel::Recorded* m) {
  m->on = r.Spread("measurements.value_px", &m->valuePx) &&
          r.Spread("measurements.value_um", &m->valueUm) &&
          r.Spread("measurements.left", &m->left) && r.Spread("measurements.right", &m->right);
  return m->on;
}

bool ReadModel(const QJsonObject& root, SensorModel* model, std::string* error) {
  Reader r(root);
  SensorModel m = DefaultModel();
  m.profile.assign(256, 0);
  const bool ok = ReadSensor(r, &m) && ReadMemory(r, "ram", m.ram) &&
                  ReadMemory(r, "eeprom", m.eeprom) && r.Words("profile", m.profile.data(), 256) &&
                  ReadMeasurements(r, &m.recorded);
  if (!ok) {
    *error = r.error;
    if (root.value("complete") == QJsonValue(false)) *error += " (the report is incomplete)";
    return false;
  }
  *model = m;
  return true;
}

int LineAt(const QByteArray& text, int offset) {
  return 1 + static_cast<int>(text.left(offset).count('\n'));
}

}  // namespace

bool ModelFromReport(const std::string& path, SensorModel* model, std::string* error) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    *error = "cannot read the file";
    return false;
  }
  const QByteArray text = file.readAll();
  QJsonParseError parsed;
  const QJsonDocument document = QJsonDocument::fromJson(text, &parsed);
  if (parsed.error != QJsonParseError::NoError) {
    *error = "line " + std::to_string(LineAt(text, parsed.offset)) + ": " +
             parsed.errorString().toStdString() + " (not JSON, or cut short)";
    return false;
  }
  const QString tool = document.object().value("tool").toString();
  if (!document.isObject() || !tool.startsWith("Q-ROX-MX-Raror")) {
    *error = "key \"tool\": not a service report of Q-ROX-MX-Raror";
    return false;
  }
  return ReadModel(document.object(), model, error);
}

}  // namespace sim
