// Linearisation table and X-FLASH: loads the table from a linearisation file, clears the
// sensor's X-FLASH and writes the table into it page by page in chunks of eight words,
// each acknowledged by the sensor; reads it back chunk by chunk and compares it with the
// table. The bar graph serves as progress bar, main-panel control 20 shows the table
// index of the last chunk.
//
// X-FLASH frames are assembled here byte by byte (36 bytes, big-endian words):
//   bytes 0-1 start word 0x0055, 2-3 command, 4-5 argument, 6-35 data words 0-14.
//   clear (101): argument 0, every data word 0x00AA.
//   write (102) and read (103): argument = in-page offset, data word 0 = page,
//   data words 1-8 = the table words of the chunk, data words 9-14 = 0x00AA.
// The sensor acknowledges a write with data word 0 = offset and data word 1 = page, and
// answers a read with the same two words followed by the 8 stored words (data words
// 2-9).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "shell/colors.h"
#include "shell/status.h"

namespace {

constexpr u16 FILLER = 0x00AA;
constexpr int CHUNK_WORDS = 8;
constexpr int PAGE_WORDS = 256;
constexpr u16 FIRST_PAGE = 2;

// Whether linArray holds a table loaded from a linearisation file (after start-up it
// holds zeros, which no read-back may be compared with).
bool tableLoaded = false;

// The counts of the last write run.
XflashCounts lastCounts;

XflashWatcher xflashWatcher = nullptr;

// Last page of the table: 5 for the MX400 (1024 words), 9 for all other sensors (2048).
u16 LastPage() {
  return hwtype == 400 ? 5 : 9;
}
int TableWords() {
  return (LastPage() - FIRST_PAGE + 1) * PAGE_WORDS;
}
int TableChunks() {
  return TableWords() / CHUNK_WORDS;
}
int TableIndex(u16 offset, u16 page) {
  return (page - FIRST_PAGE) * PAGE_WORDS + offset;
}

// Assembles a frame in szWriteBuf: start word, command, argument, then data words 0-14.
void AssembleFrame(u16 command, u16 argument, const u16 data[15]) {
  PutWord(szWriteBuf, 0, 0x0055);
  PutWord(szWriteBuf, 2, command);
  PutWord(szWriteBuf, 4, argument);
  for (int k = 0; k < 15; k++) PutWord(szWriteBuf, 6 + 2 * k, data[k]);
}

// A page-chunk frame (write or read) for the chunk at `offset` of `page`.
void AssembleChunkFrame(u16 command, u16 offset, u16 page) {
  u16 data[15];
  data[0] = page;
  const int index = TableIndex(offset, page);
  for (int k = 0; k < CHUNK_WORDS; k++) data[1 + k] = linArray[index + k];
  for (int k = 1 + CHUNK_WORDS; k < 15; k++) data[k] = FILLER;
  AssembleFrame(command, offset, data);
}

// Flushes both queues, clears rx_flag and writes the frame in szWriteBuf. Returns the
// time of the write, from which the reply wait counts.
double SendFrame() {
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  WriteFrame();
  return Timer();
}

// How the sensor answered a page-chunk frame.
enum ChunkAnswer { CHUNK_TIMEOUT, CHUNK_OTHER, CHUNK_OK };

// Sends the page-chunk frame in szWriteBuf and waits for the answer that reports this
// chunk: data word 0 = offset, data word 1 = page. An answer for another chunk (a late
// reply to an earlier one, or another page) is not this chunk's: it is dropped and the
// wait goes on until TIMEOUT after the write.
ChunkAnswer ExchangeChunk(u16 offset, u16 page) {
  const double t0 = SendFrame();
  bool other = false;
  while (WaitReply(t0, UNTIL_SYNCED_REPLY) == WAIT_REPLY) {
    if (pp[0] == offset && pp[1] == page) return CHUNK_OK;
    other = true;
    rx_flag = 0;
  }
  return other ? CHUNK_OTHER : CHUNK_TIMEOUT;
}

void PrepareProgressBar() {
  SetAxisScalingMode(pHandle, MAIN_BAR_GRAPH, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
  DeleteGraphPlot(pHandle, MAIN_BAR_GRAPH, -1, 1);
}

void DrawBar(double end, int color) {
  PlotRectangle(pHandle, MAIN_BAR_GRAPH, 1.0, 0.0, end, 1.0, color, color);
}

// Red full-width bar and `text` in the status line: the run did not succeed.
void ReportFailure(const char* text) {
  SetStatus(text);
  DrawBar(ccdsubpixel, COLOR_RED);
  ShowStatusBuffer();
}

// WriteXFLASH: the chunk written and reported, and how the sensor answered.
ChunkAnswer WriteChunk(u16 offset, u16 page) {
  parameter[1] = CMD_XFLASH_WRITE;
  AssembleChunkFrame(CMD_XFLASH_WRITE, offset, page);
  const ChunkAnswer answer = ExchangeChunk(offset, page);
  const int index = TableIndex(offset, page);
  if (answer == CHUNK_TIMEOUT) {
    SetStatus("Timeout-RS-232...");
  } else if (answer == CHUNK_OTHER) {
    SetStatus("X-FLASH-write: wrong chunk acknowledged!");
  } else {
    SetCtrlVal(pHandle, MAIN_ANA_MAX, index);
    const u16 ackPage = pp[1];
    if (ackPage >= 2 && ackPage <= 9) {
      char text[STATUS_LEN];
      std::snprintf(text, sizeof text, "X-FLASH-write OK: PAGE%d ...", ackPage);
      SetStatus(text);
    }
  }
  DrawBar(index, COLOR_GREEN);
  ShowStatusBuffer();
  return answer;
}

// Chunk n (0-based, in the order written) of the table: its page and in-page offset.
u16 ChunkPage(int n) {
  return static_cast<u16>(FIRST_PAGE + n / (PAGE_WORDS / CHUNK_WORDS));
}
u16 ChunkOffset(int n) {
  return static_cast<u16>(n % (PAGE_WORDS / CHUNK_WORDS) * CHUNK_WORDS);
}

// Chunks in a row without an answer after which the line is taken for dead.
constexpr int DEAD_AFTER = 3;

// How the sensor answered the chunks of a pass (write or read-back).
struct ChunkPass {
  int failedChunks = 0;  // no answer in time, or an answer for another chunk
  int lastAnswered = 0;  // number (1-based) of the last chunk answered, 0 for none
  int unanswered = 0;    // chunks in a row without an answer, up to the last one
  bool dead = false;     // the line is lost, or the last DEAD_AFTER chunks got no answer
};

// Notes the answer to chunk n; a chunk asked on a lost line has none.
void NoteAnswer(ChunkPass& pass, int n, ChunkAnswer answer) {
  if (answer != CHUNK_OK) pass.failedChunks++;
  if (answer == CHUNK_TIMEOUT) {
    pass.unanswered++;
  } else {
    pass.unanswered = 0;
    pass.lastAnswered = n + 1;
  }
  pass.dead = SensorLost() || pass.unanswered >= DEAD_AFTER;
}

// Result of a read-back pass.
struct VerifyResult {
  ChunkPass pass;
  int differingWords = 0;  // words of answered chunks that differ from the table
  int readChunks = 0;      // chunks asked for
  bool stopped = false;    // ended by STOP before the last chunk
};

bool Matched(const VerifyResult& v) {
  return v.pass.failedChunks == 0 && v.differingWords == 0 && !v.stopped && !v.pass.dead;
}

// Asks for one chunk back (command 103); the words of its answer that differ from the
// table are added to `differing`.
ChunkAnswer ReadChunkWords(u16 offset, u16 page, int* differing) {
  parameter[1] = CMD_XFLASH_READ;
  AssembleChunkFrame(CMD_XFLASH_READ, offset, page);
  const ChunkAnswer answer = ExchangeChunk(offset, page);
  if (answer != CHUNK_OK) return answer;
  const int index = TableIndex(offset, page);
  for (int k = 0; k < CHUNK_WORDS; k++)
    if (pp[2 + k] != linArray[index + k]) ++*differing;
  return answer;
}

// Reads chunk n back, adds its words that differ from the table to `differing` and
// reports it.
ChunkAnswer ReadChunk(int n, int* differing) {
  const u16 page = ChunkPage(n), offset = ChunkOffset(n);
  const int index = TableIndex(offset, page);
  const ChunkAnswer answer = ReadChunkWords(offset, page, differing);
  if (answer == CHUNK_TIMEOUT) {
    SetStatus("Timeout-RS-232...");
  } else if (answer == CHUNK_OTHER) {
    SetStatus("X-FLASH-read: wrong chunk answered!");
  } else {
    SetCtrlVal(pHandle, MAIN_ANA_MAX, index);
    char text[STATUS_LEN];
    std::snprintf(text, sizeof text, "X-FLASH-read OK: PAGE%d ...", page);
    SetStatus(text);
  }
  DrawBar(index, COLOR_GREEN);
  ShowStatusBuffer();
  return answer;
}

// Reads the table back chunk by chunk and compares it with linArray. STOP ends the pass
// after the chunk on the line; a dead line ends it at once.
VerifyResult VerifyXFLASH() {
  VerifyResult result;
  stop_flag = 0;
  for (int n = 0; n < TableChunks() && !result.stopped && !result.pass.dead; n++) {
    result.readChunks++;
    const ChunkAnswer answer = SensorLost() ? CHUNK_TIMEOUT : ReadChunk(n, &result.differingWords);
    NoteAnswer(result.pass, n, answer);
    result.stopped = stop_flag != 0;
  }
  stop_flag = 1;
  return result;
}

// "X-FLASH write stopped: no answer after chunk 20 of 256!", for a write or read-back.
void ReportDeadLine(const char* what, const ChunkPass& pass) {
  char text[STATUS_LEN];
  std::snprintf(text, sizeof text, "X-FLASH %s stopped: no answer after chunk %d of %d!", what,
                pass.lastAnswered, TableChunks());
  ReportFailure(text);
}

// Final report of a read-back pass: status text and a grey (all matched) or red bar.
void ReportVerify(const VerifyResult& v) {
  if (v.pass.dead) {
    ReportDeadLine("verify", v.pass);
    return;
  }
  char text[STATUS_LEN];
  const bool ok = Matched(v);
  if (v.stopped)
    std::snprintf(text, sizeof text, "X-FLASH verify stopped after %d of %d chunks!", v.readChunks,
                  TableChunks());
  else if (ok)
    std::snprintf(text, sizeof text, "X-FLASH verify OK: %d words match!", TableWords());
  else if (v.pass.failedChunks == 0)
    std::snprintf(text, sizeof text, "X-FLASH verify: %d of %d words differ!", v.differingWords,
                  TableWords());
  else
    std::snprintf(text, sizeof text, "X-FLASH verify: %d of %d chunks failed, %d words differ!",
                  v.pass.failedChunks, TableChunks(), v.differingWords);
  SetStatus(text);
  DrawBar(ccdsubpixel, ok ? COLOR_GREY : COLOR_RED);
  ShowStatusBuffer();
}

// Writes the chunks of the table in order. Once the sensor is unplugged the chunks left
// are failed without being sent; with `stopWhenDead` the pass ends on a dead line.
ChunkPass WriteTable(bool stopWhenDead) {
  ChunkPass pass;
  for (int n = 0; n < TableChunks() && !(stopWhenDead && pass.dead); n++) {
    const bool lost = SensorLost();
    NoteAnswer(pass, n, lost ? CHUNK_TIMEOUT : WriteChunk(ChunkOffset(n), ChunkPage(n)));
  }
  return pass;
}

// The end of a write run, decided from what the sensor answered: `cleared` the clear,
// `failedChunks` the chunk writes, and `verify` the read-back when one was made.
void ReportWriteRun(int cleared, int failedChunks, const VerifyResult* verify) {
  char text[STATUS_LEN];
  if (failedChunks > 0) {
    // Words are counted only by a read-back that went over every chunk.
    if (verify && !verify->pass.dead && !verify->stopped)
      std::snprintf(text, sizeof text, "X-FLASH write: %d of %d chunks failed, %d words differ!",
                    failedChunks, TableChunks(), verify->differingWords);
    else
      std::snprintf(text, sizeof text, "X-FLASH write: %d of %d chunks failed!", failedChunks,
                    TableChunks());
    ReportFailure(text);
    return;
  }
  if (verify) {
    // The read-back's own report stays unless it found everything in place.
    if (Matched(*verify)) {
      DrawBar(ccdsubpixel, COLOR_GREY);
      ShowStatus("X-FLASH Data successfully written!");
    }
    return;
  }
  if (cleared != 1) {
    // Every chunk was acknowledged, but the X-FLASH may not have been erased first.
    ReportFailure("X-FLASH write: clear not acknowledged!");
  } else if (hwtype != 400) {
    // The MX400 table ends on page 5: its run ends on the last acknowledgement,
    // "X-FLASH-write OK: PAGE5 ...", and the green bar.
    DrawBar(ccdsubpixel, COLOR_GREY);
    ShowStatus("X-FLASH Data successfully written!");
  }
}

// Whether a write run is read back: never on a dead line, always for VERIFY_ALWAYS, for
// VERIFY_ASK when the user agrees.
bool ReadBackWanted(int verify, const ChunkPass& written) {
  if (written.dead) return false;
  return verify == VERIFY_ALWAYS ||
         (verify == VERIFY_ASK && ConfirmPopup("X-FLASH", "Verify X-FLASH contents?") == 1);
}

}  // namespace

// X-FLASH write control (calibration page, control 11): loads the linearisation file,
// writes it and offers a read-back at the end. The control is hidden again after every run.
int CC_WriteXFLASH(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  if (ReadLinDataFromFile() == 0) WriteLinTable(VERIFY_ASK);
  SetCtrlAttribute(pCalib, CALIB_XFLASH_WRITE, ATTR_VISIBLE, 0);
  return 0;
}

namespace {

// The write run of WriteLinTable; `readBack` 1 when a read-back matched, 0 when one did not.
int WriteAndReadBack(int verify, int* readBack) {
  lastCounts = XflashCounts{};
  const int cleared = ClearXFLASH();
  PrepareProgressBar();
  const ChunkPass written = WriteTable(verify == VERIFY_ALWAYS);
  lastCounts = {cleared == 1, TableChunks(), written.failedChunks, false, 0, 0};
  if (written.dead && verify == VERIFY_ALWAYS) {
    ReportDeadLine("write", written);
    return XFLASH_NO_ANSWER;
  }
  if (ReadBackWanted(verify, written)) {
    PrepareProgressBar();
    const VerifyResult check = VerifyXFLASH();
    ReportVerify(check);
    ReportWriteRun(cleared, written.failedChunks, &check);
    lastCounts.readBack = true;
    lastCounts.failedReadChunks = check.pass.failedChunks;
    lastCounts.differingWords = check.differingWords;
    if (check.pass.dead) return XFLASH_NO_ANSWER;
    *readBack = Matched(check) ? 1 : 0;
    return written.failedChunks == 0 && Matched(check) ? XFLASH_OK : XFLASH_FAILED;
  }
  ReportWriteRun(cleared, written.failedChunks, nullptr);
  if (written.dead) return XFLASH_NO_ANSWER;
  return written.failedChunks == 0 && cleared == 1 ? XFLASH_OK : XFLASH_FAILED;
}

}  // namespace

// Clears the X-FLASH and writes every chunk of the loaded table; reads it back when
// `verify` is VERIFY_ALWAYS, or when the user agrees for VERIFY_ASK. "X-FLASH Data
// successfully written!" stands only when every chunk was acknowledged (and the
// read-back, if made, matched); otherwise the number of failed chunks is reported. A dead
// line is not read back; VERIFY_ALWAYS (the command line) also stops the write on it.
int WriteLinTable(int verify) {
  XflashRun run;
  run.starting = true;
  run.words = TableWords();
  if (xflashWatcher && xflashWatcher(run) == 0) return XFLASH_FAILED;
  run.starting = false;
  run.result = WriteAndReadBack(verify, &run.readBack);
  if (xflashWatcher) xflashWatcher(run);
  return run.result;
}

void WatchXflashWrites(XflashWatcher watcher) {
  xflashWatcher = watcher;
}

// Read command of the calibration page: reads the X-FLASH back and compares it with the
// table loaded last, with the progress in the bar graph and control 20. Without a loaded
// table the linearisation file is asked for first; no table, no read-back.
int CC_ReadXFLASH(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  if (!tableLoaded && ReadLinDataFromFile() != 0) {
    if (!tableLoaded) ShowStatus("X-FLASH read: no linearisation table loaded!");
    return 0;
  }
  PrepareProgressBar();
  ReportVerify(VerifyXFLASH());
  return 0;
}

void ForgetLinTable() {
  tableLoaded = false;
}

XflashCounts LastXflashCounts() {
  return lastCounts;
}

XflashCheck ReadBackXFLASH() {
  XflashCheck check;
  check.chunks = TableChunks();
  for (int n = 0; n < TableChunks() && !check.silent; n++) {
    const ChunkAnswer answer =
        SensorLost() ? CHUNK_TIMEOUT
                     : ReadChunkWords(ChunkOffset(n), ChunkPage(n), &check.differingWords);
    if (answer == CHUNK_OK) check.readChunks++;
    check.silent = answer == CHUNK_TIMEOUT;
  }
  return check;
}

// Loads the linearisation table. Returns 0 when loaded, 1 when the dialog was cancelled,
// a negative error code when the file cannot be read or holds unusable values; the table
// is changed only by a complete, valid file.
//
// A file value v is valid when it is an integer a 16-bit word can hold either way:
// -32768 .. 65535 (negative numbers taken as two's complement). The table word is
// (v + 32767) modulo 65536, so 0 becomes 0x7FFF. Values after the 1024 (MX400) or 2048
// needed ones are ignored.
int ReadLinDataFromFile() {
  char path[PATH_LEN] = "";
  int result =
      FileSelectPopup(proj_dir, "XF-LINEAR.DAT", "*.dat", "Q-ROX-MX-Series-Linearisation-File",
                      VAL_LOAD_BUTTON, 0, 1, 1, 1, path);
  if (result <= 0) return 1;
  return ReadLinDataFromPath(path);
}

int ReadLinDataFromPath(const char* path) {
  std::snprintf(file_name, PATH_LEN, "%s", path);

  const int count = TableWords();
  static double values[2048];
  char text[STATUS_LEN];
  int r = FileToArray(file_name, values, VAL_DOUBLE, count, 1, VAL_GROUPS_TOGETHER,
                      VAL_GROUPS_AS_COLUMNS, VAL_ASCII);
  if (r != 0) {
    if (r == kFileReadError)
      std::snprintf(text, sizeof text, "Lin.-file: less than %d values or non-numeric text!",
                    count);
    else
      std::snprintf(text, sizeof text, "Error reading linearisation-file!");
    SetStatus(text);
    ShowStatusBuffer();
    return r < 0 ? r : kFileReadError;
  }
  for (int i = 0; i < count; i++) {
    const double v = values[i];
    if (!(v >= -32768.0 && v <= 65535.0) || v != std::floor(v)) {
      std::snprintf(text, sizeof text, "Lin.-file: value no. %d invalid (-32768..65535)!", i + 1);
      SetStatus(text);
      ShowStatusBuffer();
      return kFileReadError;
    }
  }
  for (int i = 0; i < count; i++) {
    const u16 word = static_cast<u16>(static_cast<int>(values[i]));
    linArray[i] = static_cast<u16>(word + 32767);
  }
  tableLoaded = true;
  return 0;
}

// Clears the X-FLASH. 1 when the sensor acknowledged, 0 on time-out.
int ClearXFLASH() {
  u16 data[15];
  for (u16& w : data) w = FILLER;
  parameter[1] = CMD_XFLASH_CLEAR;
  parameter[2] = 0;
  AssembleFrame(CMD_XFLASH_CLEAR, 0, data);
  const double t0 = SendFrame();
  ShowStatus("clearing X-FLASH...");
  const int ok = WaitReply(t0, UNTIL_SYNCED_REPLY) == WAIT_REPLY ? 1 : 0;
  SetStatus(ok ? "X-FLASH-cleared!" : "Timeout-RS-232...");
  ShowStatusBuffer();
  return ok;
}

// Writes one chunk of eight table words at `offset` of `page` and reports it: the table
// index in control 20, the page in the status text and the green bar up to the chunk.
// Returns 1 when the sensor acknowledged this very chunk (offset and page), else 0.
int WriteXFLASH(u16 offset, u16 page) {
  return WriteChunk(offset, page) == CHUNK_OK ? 1 : 0;
}
