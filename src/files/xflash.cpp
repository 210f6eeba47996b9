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

// Outcome of the last WriteXFLASH call: 1 when the chunk was acknowledged in time.
int chunkAcknowledged = 0;

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

// Flushes both queues, clears rx_flag, writes the frame in szWriteBuf and waits with the
// standard wait. 1 when a reply arrived (its data words are in pp), 0 on time-out.
int ExchangeFrame() {
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  WriteFrame();
  const double t0 = Timer();
  for (;;) {
    ProcessSystemEvents();
    if (rx_flag != 0) return 1;
    if (Timer() - t0 > TIMEOUT) return 0;
  }
}

void PrepareProgressBar() {
  SetAxisScalingMode(pHandle, MAIN_BAR_GRAPH, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
  DeleteGraphPlot(pHandle, MAIN_BAR_GRAPH, -1, 1);
}

void DrawBar(double end, int color) {
  PlotRectangle(pHandle, MAIN_BAR_GRAPH, 1.0, 0.0, end, 1.0, color, color);
}

// Result of a read-back pass.
struct VerifyResult {
  int failedChunks = 0;    // no answer in time, or an answer for another chunk
  int differingWords = 0;  // words of answered chunks that differ from the table
};

// Reads the table back chunk by chunk (command 103) and compares it with linArray.
VerifyResult VerifyXFLASH() {
  VerifyResult result;
  for (u16 page = FIRST_PAGE; page <= LastPage(); page++) {
    for (u16 offset = 0; offset < PAGE_WORDS; offset += CHUNK_WORDS) {
      const int index = TableIndex(offset, page);
      parameter[1] = CMD_XFLASH_READ;
      AssembleChunkFrame(CMD_XFLASH_READ, offset, page);
      if (!ExchangeFrame()) {
        result.failedChunks++;
        SetStatus("Timeout-RS-232...");
      } else if (pp[0] != offset || pp[1] != page) {
        result.failedChunks++;
        SetStatus("X-FLASH-read: wrong chunk answered!");
      } else {
        SetCtrlVal(pHandle, MAIN_ANA_MAX, index);
        for (int k = 0; k < CHUNK_WORDS; k++)
          if (pp[2 + k] != linArray[index + k]) result.differingWords++;
        char text[STATUS_LEN];
        std::snprintf(text, sizeof text, "X-FLASH-read OK: PAGE%d ...", page);
        SetStatus(text);
      }
      DrawBar(index, COLOR_GREEN);
      ShowStatusBuffer();
    }
  }
  return result;
}

// Final report of a read-back pass: status text and a grey (all matched) or red bar.
void ReportVerify(const VerifyResult& v) {
  char text[STATUS_LEN];
  const bool ok = v.failedChunks == 0 && v.differingWords == 0;
  if (ok)
    std::snprintf(text, sizeof text, "X-FLASH verify OK: %d words match!", TableWords());
  else if (v.failedChunks == 0)
    std::snprintf(text, sizeof text, "X-FLASH verify: %d of %d words differ!", v.differingWords,
                  TableWords());
  else
    std::snprintf(text, sizeof text, "X-FLASH verify: %d of %d chunks failed, %d words differ!",
                  v.failedChunks, TableChunks(), v.differingWords);
  SetStatus(text);
  DrawBar(ccdsubpixel, ok ? COLOR_GREY : COLOR_RED);
  ShowStatusBuffer();
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

// Clears the X-FLASH and writes every chunk of the loaded table; reads it back when
// `verify` is VERIFY_ALWAYS, or when the user agrees for VERIFY_ASK. "X-FLASH Data
// successfully written!" stands only when every chunk was acknowledged (and the
// read-back, if made, matched); otherwise the number of failed chunks is reported.
int WriteLinTable(int verify) {
  const int cleared = ClearXFLASH();
  PrepareProgressBar();

  int failedChunks = 0;
  for (u16 page = FIRST_PAGE; page <= LastPage(); page++) {
    for (u16 offset = 0; offset < PAGE_WORDS; offset += CHUNK_WORDS) {
      WriteXFLASH(offset, page);
      if (!chunkAcknowledged) failedChunks++;
    }
  }

  bool verified = false;
  VerifyResult check;
  if (verify == VERIFY_ALWAYS ||
      (verify == VERIFY_ASK && ConfirmPopup("X-FLASH", "Verify X-FLASH contents?") == 1)) {
    verified = true;
    PrepareProgressBar();
    check = VerifyXFLASH();
    ReportVerify(check);
  }
  const bool matched = check.failedChunks == 0 && check.differingWords == 0;

  char text[STATUS_LEN];
  if (failedChunks > 0) {
    if (verified)
      std::snprintf(text, sizeof text, "X-FLASH write: %d of %d chunks failed, %d words differ!",
                    failedChunks, TableChunks(), check.differingWords);
    else
      std::snprintf(text, sizeof text, "X-FLASH write: %d of %d chunks failed!", failedChunks,
                    TableChunks());
    SetStatus(text);
    DrawBar(ccdsubpixel, COLOR_RED);
    ShowStatusBuffer();
  } else if (hwtype == 400 && !verified && cleared == 1) {
    // The MX400 table ends on page 5: its run ends on the last acknowledgement,
    // "X-FLASH-write OK: PAGE5 ...", and the green bar.
  } else if (verified ? matched : cleared == 1) {
    DrawBar(ccdsubpixel, COLOR_GREY);
    ShowStatus("X-FLASH Data successfully written!");
  } else if (!verified) {
    // Every chunk was acknowledged, but the X-FLASH may not have been erased first.
    DrawBar(ccdsubpixel, COLOR_RED);
    ShowStatus("X-FLASH write: clear not acknowledged!");
  }
  // A read-back that found differences keeps its own report in the status line.
  const bool ok = failedChunks == 0 && (verified ? matched : cleared == 1);
  return ok ? 0 : 1;
}

// Read command of the calibration page: reads the X-FLASH back and compares it with the
// table loaded last, with the progress in the bar graph and control 20.
int CC_ReadXFLASH(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  PrepareProgressBar();
  ReportVerify(VerifyXFLASH());
  return 0;
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
  std::strncpy(file_name, path, PATH_LEN - 1);
  file_name[PATH_LEN - 1] = '\0';

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
  return 0;
}

// Clears the X-FLASH. 1 when the sensor acknowledged, 0 on time-out.
int ClearXFLASH() {
  u16 data[15];
  for (u16& w : data) w = FILLER;
  parameter[1] = CMD_XFLASH_CLEAR;
  parameter[2] = 0;
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  AssembleFrame(CMD_XFLASH_CLEAR, 0, data);
  WriteFrame();
  ShowStatus("clearing X-FLASH...");
  int ok = 0;
  const double t0 = Timer();
  for (;;) {
    ProcessSystemEvents();
    if (rx_flag != 0) {
      ok = 1;
      break;
    }
    if (Timer() - t0 > TIMEOUT) break;
  }
  SetStatus(ok ? "X-FLASH-cleared!" : "Timeout-RS-232...");
  ShowStatusBuffer();
  return ok;
}

// Writes one chunk of eight table words at `offset` of `page` and reports it: the table
// index in control 20, the page in the status text and the green bar up to the chunk.
void WriteXFLASH(u16 offset, u16 page) {
  parameter[1] = CMD_XFLASH_WRITE;
  AssembleChunkFrame(CMD_XFLASH_WRITE, offset, page);
  chunkAcknowledged = ExchangeFrame();
  const int index = TableIndex(offset, page);
  if (!chunkAcknowledged) {
    SetStatus("Timeout-RS-232...");
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
}
