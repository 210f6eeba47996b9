// Recorder file: the header written once at the start of a run and one record line per
// sample. 8-bit text (Windows-1252: the micro sign is the single byte 0xB5), CR LF line
// ends, tab-separated fields. Every piece is appended with the engine's array-to-file
// operation, which opens the file (creating it when missing), writes and closes it, so
// the file is complete and readable after every write.
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "popup/popup.h"

namespace {

// Labels and literal lines, as raw bytes. "\xB5" is the micro sign of Windows-1252.
const char kLabelIncrement[] = "Time-Increment[s]:\t";
const char kLabelSamples[] = "Number of Samples:\t";
const char kLabelOffset[] = "Offset-Value [\xB5m]:\t";
const char kLabelSlope[] = "Slope-Value [\xB5m/pixel]:\t";
const char kColumnHeader[] = "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n";

// Appends the characters of `text` (without terminator) to the recorder file.
int AppendText(const char* text) {
  return ArrayToFile(rec_fname, text, VAL_CHAR, static_cast<int>(std::strlen(text)), 1,
                     VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_BINARY,
                     VAL_APPEND);
}

// Appends one number of `dataType` as ASCII text; the engine ends it with CR LF.
int AppendValue(const void* value, int dataType) {
  return ArrayToFile(rec_fname, value, dataType, 1, 1, VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS,
                     VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND);
}

// One header line: a label and its value. A value that cannot be appended takes its label
// back with it, so the file still ends on a whole line.
int AppendLine(const char* label, const void* value, int dataType) {
  long before = 0;
  GetFileInfo(rec_fname, &before);
  int r = AppendText(label);
  if (r >= 0) r = AppendValue(value, dataType);
  if (r < 0) TruncateFile(rec_fname, before);
  return r;
}

// Slope divisor: 1024 for the K-class (hwtype 500) and for firmware 303 or newer, whose
// slope is fixed point with 1024 = 1.0; 16384 for the older sensors.
double SlopeDivisor() {
  return (hwtype == 500 || softversion >= 303) ? 1024.0 : 16384.0;
}

}  // namespace

// Appends lines 1 to 7 of the recorder file: date, time, increment, number of samples,
// offset, slope and the column header. Stops at the first append that fails and returns
// its (negative) error, so a broken file is noticed by the recording run; the file then
// ends on the last whole line.
int writeFileHeader() {
  char dateLine[64];
  char timeLine[64];
  std::strcpy(dateLine, "Date:\t");
  std::strncat(dateLine, DateStr(), 40);
  std::strcat(dateLine, "\r\n");
  std::strcpy(timeLine, "Time:\t");
  std::strncat(timeLine, TimeStr(), 40);
  std::strcat(timeLine, "\r\n");

  short increment = 0;
  short samples = 0;
  GetCtrlVal(pPopup, REC_INCREMENT, &increment);
  GetCtrlVal(pPopup, REC_SAMPLES, &samples);

  int offset = OffsetWord();
  const float slope = static_cast<float>(static_cast<double>(SlopeWord()) / SlopeDivisor());

  int r = 0;
  if ((r = AppendText(dateLine)) < 0) return r;
  if ((r = AppendText(timeLine)) < 0) return r;
  if ((r = AppendLine(kLabelIncrement, &increment, VAL_SHORT_INTEGER)) < 0) return r;
  if ((r = AppendLine(kLabelSamples, &samples, VAL_SHORT_INTEGER)) < 0) return r;
  if ((r = AppendLine(kLabelOffset, &offset, VAL_INTEGER)) < 0) return r;
  // The engine writes a float as the shortest plain decimal that reads back as the same
  // value, always with a decimal point ("16.0", "0.000061035156").
  if ((r = AppendLine(kLabelSlope, &slope, VAL_FLOAT)) < 0) return r;
  if ((r = AppendText(kColumnHeader)) < 0) return r;
  return 0;
}

// Appends one record line: E-LEFT, E-RIGHT, M-VALUE, EDGES and M-VAL[um] of the latest
// measurement frame as signed 32-bit numbers (the 16-bit values zero-extended), five
// groups of one element written as tab-separated columns.
int WriteRecordLine() {
  int values[5];
  values[0] = Ledge;
  values[1] = Redge;
  values[2] = Mvalue;
  values[3] = edcnt;
  values[4] = static_cast<int>(umValue);
  int r = ArrayToFile(rec_fname, values, VAL_INTEGER, 5, 5, VAL_GROUPS_TOGETHER,
                      VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND);
  return r < 0 ? r : 0;
}
