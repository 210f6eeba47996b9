// The service report as a PDF for a person: the same contents as the JSON file, as
// tables, with the measurement sample as a short rolling graph and the video profile as
// a picture.
#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

#include "service/report.h"

namespace {

// A line of points in a chart, in the chart's own units.
struct Series {
  std::vector<QPointF> points;
  QColor color;
};

struct Axes {
  QString title, xLabel, yLabel;
  QRectF range;  // x from left() to right(), y from top() (low) to bottom() (high)
};

constexpr int kChartW = 1200, kChartH = 420;
const QMargins kPlotMargins(90, 40, 24, 60);

QString Number(double v) {
  return QString::number(v, 'g', 6);
}

void DrawGrid(QPainter& p, const QRect& plot, const Axes& a) {
  p.setPen(QColor(210, 210, 210));
  for (int i = 0; i <= 4; ++i) {
    const int x = plot.left() + plot.width() * i / 4;
    const int y = plot.bottom() - plot.height() * i / 4;
    p.drawLine(x, plot.top(), x, plot.bottom());
    p.drawLine(plot.left(), y, plot.right(), y);
    p.setPen(Qt::black);
    const double xv = a.range.left() + a.range.width() * i / 4;
    const double yv = a.range.top() + a.range.height() * i / 4;
    p.drawText(QRect(x - 60, plot.bottom() + 6, 120, 22), Qt::AlignHCenter, Number(xv));
    p.drawText(QRect(0, y - 11, plot.left() - 8, 22), Qt::AlignRight | Qt::AlignVCenter,
               Number(yv));
    p.setPen(QColor(210, 210, 210));
  }
  p.setPen(Qt::black);
  p.drawRect(plot);
  p.drawText(QRect(plot.left(), 4, plot.width(), 30), Qt::AlignHCenter, a.title);
  p.drawText(QRect(plot.left(), kChartH - 28, plot.width(), 26), Qt::AlignHCenter, a.xLabel);
  p.save();
  p.translate(16, plot.center().y());
  p.rotate(-90);
  p.drawText(QRect(-plot.height() / 2, -12, plot.height(), 24), Qt::AlignHCenter, a.yLabel);
  p.restore();
}

QImage Chart(const Axes& a, const std::vector<Series>& series) {
  QImage image(kChartW, kChartH, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = p.font();
  font.setPixelSize(18);
  p.setFont(font);
  const QRect plot = image.rect().marginsRemoved(kPlotMargins);
  DrawGrid(p, plot, a);
  const double w = a.range.width() > 0 ? a.range.width() : 1.0;
  const double h = a.range.height() > 0 ? a.range.height() : 1.0;
  p.setClipRect(plot);
  for (const Series& s : series) {
    QPainterPath path;
    for (size_t i = 0; i < s.points.size(); ++i) {
      const QPointF at(plot.left() + (s.points[i].x() - a.range.left()) / w * plot.width(),
                       plot.bottom() - (s.points[i].y() - a.range.top()) / h * plot.height());
      if (i == 0)
        path.moveTo(at);
      else
        path.lineTo(at);
    }
    p.setPen(QPen(s.color, 2.5));
    p.drawPath(path);
  }
  return image;
}

// The profile over the pixel axis, with the video threshold.
QImage ProfilePicture(const ServiceReport& r) {
  const double full = r.sensor.adcmax == 1024 ? 1024 : 256;
  const double pixels = r.sensor.ccdvirtpixel ? r.sensor.ccdvirtpixel : 1024;
  Series profile{{}, QColor(0, 0, 200)};
  for (int k = 0; k < 256; ++k) profile.points.emplace_back(k * pixels / 256.0, r.profile[k]);
  Series threshold{{{0, double(r.videoThreshold)}, {pixels, double(r.videoThreshold)}},
                   QColor(220, 0, 0)};
  return Chart({"Video profile (threshold red)", "PIXEL", "INTENSITY", QRectF(0, 0, pixels, full)},
               {profile, threshold});
}

// From `low` to `high` in four steps of 1, 2, 2.5 or 5 times a power of ten.
std::pair<double, double> RoundRange(double low, double high) {
  const double rough = std::max(1.0, (high - low) / 4);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (double step : {power, 2 * power, 2.5 * power, 5 * power, 10 * power}) {
    const double from = std::floor(low / step) * step;
    if (from + 4 * step >= high) return {from, 4 * step};
  }
  return {low, high - low};
}

// The value of each frame of the sample.
QImage SamplePicture(const ServiceReport& r) {
  const RunningStats& s = r.stats.valuePx;
  Series values{{}, QColor(0, 128, 0)};
  for (size_t i = 0; i < r.values.size(); ++i) values.points.emplace_back(i + 1, r.values[i]);
  const auto [low, span] = RoundRange(s.min, s.max);
  const auto [first, frames] = RoundRange(0, static_cast<double>(r.values.size()));
  return Chart({"Measured value of each frame", "FRAME", "PIXEL", QRectF(first, low, frames, span)},
               {values});
}

QString Esc(const std::string& text) {
  return QString::fromStdString(text).toHtmlEscaped();
}

QString Row(const QStringList& cells, const QString& background = {}) {
  QString row = background.isEmpty() ? "<tr>" : "<tr bgcolor=\"" + background + "\">";
  for (const QString& c : cells) row += "<td>" + c + "</td>";
  return row + "</tr>";
}

// A table with a grey header row (none when `header` is empty).
QString Table(const QStringList& header, const QString& rows) {
  QString head;
  for (const QString& h : header) head += "<th align=\"left\">" + h + "</th>";
  if (!head.isEmpty()) head = "<tr bgcolor=\"#e0e0e0\">" + head + "</tr>";
  return "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">" + head + rows + "</table>";
}

QString Word(bool got, u16 value) {
  return got ? QString::number(value) : "---";
}

QString SensorSection(const ServiceReport& r) {
  const SensorDescriptor& d = r.sensor;
  QString rows = Row({"Port", QString("COM%1 %2").arg(r.port.number).arg(Esc(r.port.device))}) +
                 Row({"by-id", Esc(r.port.byId)}) +
                 Row({"USB", Esc(r.port.description + " " + r.port.serialNumber)});
  if (d.identified) {
    rows += Row({"Identification", QString("HW-type %1, PCB-type %2, CCD-type %3, softversion "
                                           "%4, %5 sub-pixels, ADC max %6")
                                       .arg(d.hwtype)
                                       .arg(d.pcbtype)
                                       .arg(d.ccdtype)
                                       .arg(d.softversion)
                                       .arg(d.ccdvirtpixel)
                                       .arg(d.adcmax)});
    rows += Row({"Firmware", d.firmwareRead ? Esc(d.firmware) : "(not read)"});
  } else {
    rows += Row({"Identification", "(no answer)"});
  }
  return "<h3>Sensor</h3>" + Table({}, rows);
}

QString StatsRow(const char* name, const RunningStats& s) {
  if (s.count == 0) return Row({name, "---", "---", "---", "---"});
  return Row({name, Number(s.mean), Number(s.Sd()), Number(s.min), Number(s.max)});
}

QString MeasurementSection(const ServiceReport& r) {
  const MeasurementStats& s = r.stats;
  const QString rows = StatsRow("value [pixel]", s.valuePx) + StatsRow("value [µm]", s.valueUm) +
                       StatsRow("left edge [pixel]", s.left) +
                       StatsRow("right edge [pixel]", s.right);
  QString html =
      QString("<h3>Measurements: %1 of %2 frames</h3>").arg(s.valuePx.count).arg(r.samplesAsked) +
      Table({"Quantity", "Mean", "SD", "Min", "Max"}, rows);
  if (!r.values.empty()) html += "<p><img src=\"qrox:sample\" width=\"600\"></p>";
  return html;
}

QString ProfileSection(const ServiceReport& r) {
  if (!r.profileRead) return "<h3>Video profile</h3><p>(not read)</p>";
  return "<h3>Video profile</h3><p><img src=\"qrox:profile\" width=\"600\"></p>";
}

QString SetsSection(const ServiceReport& r) {
  QString rows;
  for (int i = 0; i < SET_WORDS; ++i) {
    const bool differs = r.Differs(i);
    rows += Row({QString::number(i + 1), Esc(r.wordNames[i]), Word(r.ramGot[i / 15], r.ram[i]),
                 Word(r.eepromGot[i / 15], r.eeprom[i])},
                differs ? "#ffb0b0" : "");
  }
  return QString("<h3>Parameter set, %1 layout: %2 of 30 words differ (red)</h3>")
             .arg(Esc(r.layout))
             .arg(r.Differences()) +
         Table({"No.", "Parameter", "RAM", "EEPROM"}, rows);
}

QString HealthSection(const ServiceReport& r) {
  const LinkHealth& h = r.health;
  QString text = QString("%1 requests, %2 replies, %3 time-outs, %4 replies discarded.")
                     .arg(h.exchanges)
                     .arg(h.replies)
                     .arg(h.timeouts)
                     .arg(h.discarded);
  if (h.runSeconds > 0)
    text += QString(" Last RUN: %1 frames in %2 s = %3 frames/s (line limit %4).")
                .arg(h.runFrames)
                .arg(h.runSeconds, 0, 'f', 1)
                .arg(h.runRate, 0, 'f', 1)
                .arg(LineLimit(), 0, 'f', 1);
  return "<h3>Line health</h3><p>" + text + "</p>";
}

QString XflashSection(const ServiceReport& r) {
  if (!r.xflashAsked) return {};
  const XflashCheck& x = r.xflash;
  return QString("<h3>X-FLASH against %1</h3><p>%2 of %3 chunks read back, %4 words differ.</p>")
      .arg(Esc(r.xflashFile))
      .arg(x.readChunks)
      .arg(x.chunks)
      .arg(x.differingWords);
}

QString JournalSection(const ServiceReport& r) {
  if (!r.journalKept) return "<h3>Journal</h3><p>The journal of writes cannot be read.</p>";
  QString items;
  for (const std::string& e : r.journal) items += "<li>" + Esc(e) + "</li>";
  return "<h3>Journal: last entries</h3><ul>" + (items.isEmpty() ? "<li>(none)</li>" : items) +
         "</ul>";
}

QString CompletenessSection(const ServiceReport& r) {
  if (r.Complete()) return "<p><b>The report is complete.</b></p>";
  QString items;
  for (const std::string& m : r.missing) items += "<li>" + Esc(m) + "</li>";
  return "<p><b><font color=\"#c00000\">INCOMPLETE - the sensor did not give:</font></b></p><ul>" +
         items + "</ul>";
}

QString Html(const ServiceReport& r) {
  return QString("<h2>Q-ROX-MX-Raror %1 - Service report</h2><p>%2, %3 on %4</p>")
             .arg(QROX_VERSION, Esc(r.time), Esc(r.user), Esc(r.host)) +
         CompletenessSection(r) + SensorSection(r) + HealthSection(r) + XflashSection(r) +
         JournalSection(r) + MeasurementSection(r) + ProfileSection(r) + SetsSection(r);
}

}  // namespace

QByteArray ReportPdf(const ServiceReport& report) {
  QTextDocument document;
  QFont font = document.defaultFont();
  font.setPointSize(9);
  document.setDefaultFont(font);
  if (!report.values.empty())
    document.addResource(QTextDocument::ImageResource, QUrl("qrox:sample"), SamplePicture(report));
  if (report.profileRead)
    document.addResource(QTextDocument::ImageResource, QUrl("qrox:profile"),
                         ProfilePicture(report));
  document.setHtml(Html(report));

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setTitle("Q-ROX-MX-Raror service report");
    writer.setCreator(QString("Q-ROX-MX-Raror %1").arg(QROX_VERSION));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    document.print(&writer);
  }
  return bytes;
}
