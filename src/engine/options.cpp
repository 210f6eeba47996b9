// The command line: long options with or without a value, parsed by Qt's parser.
#include <QCommandLineParser>
#include <QStringList>

#include "engine/engine.h"

int ParseCommandLine(int argc, char** argv, const std::vector<CommandLineOption>& options,
                     std::map<std::string, std::string>* values, std::string* error) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const CommandLineOption& o : options) {
    QStringList names;
    if (o.shortName) names << QString::fromUtf8(o.shortName);
    names << QString::fromUtf8(o.name);
    if (o.valueName)
      parser.addOption(QCommandLineOption(names, QString(), QString::fromUtf8(o.valueName)));
    else
      parser.addOption(QCommandLineOption(names));
  }
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (arguments.isEmpty()) arguments << QStringLiteral("qrox");
  if (!parser.parse(arguments)) {
    *error = parser.errorText().toStdString();
    return -1;
  }
  if (!parser.positionalArguments().isEmpty()) {
    *error = "Unexpected argument '" + parser.positionalArguments().first().toStdString() + "'.";
    return -1;
  }
  values->clear();
  for (const CommandLineOption& o : options) {
    const QString name = QString::fromUtf8(o.name);
    if (!parser.isSet(name)) continue;
    const QStringList given = o.valueName ? parser.values(name) : QStringList();
    if (given.size() > 1 && !o.repeatable) {
      *error = "Option '--" + std::string(o.name) + "' given more than once.";
      return -1;
    }
    (*values)[o.name] = given.join('\n').toLocal8Bit().toStdString();
  }
  return 0;
}

void RunWithoutWindow() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
}
