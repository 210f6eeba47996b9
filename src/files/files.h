// Parameter file, linearisation file and the X-FLASH transfer.
#pragma once

#include "engine/engine.h"
#include "shell/globals.h"

// Parameter file (parafile.cpp). SendParaToFile saves the panels to file_name, chosen by
// the caller; ReadParaFromFile asks for the file and applies it to the parameter set.
void SendParaToFile();
void ReadParaFromFile();
// The same without a dialog: 0, or the negative error of the file operation (the status
// line tells it; a file that cannot be read leaves the parameter set unchanged).
int SendParaToPath(const char* path);
int ReadParaFromPath(const char* path);
// Only reads the 30 words of a parameter file (each cut to 16 bits): 0 or a negative error.
int ReadParaWords(const char* path, u16 words[30]);
// Whoever records the writes is told of each parameter-file write: before it (`words`
// null; an answer of 0 stops it, and it fails with kFileWriteError) and after it (the 30
// words written and the result of the file operation).
using ParaFileWatcher = int (*)(const char* path, const u16* words, int result);
void WatchParaFileWrites(ParaFileWatcher watcher);  // nullptr: nobody watches

// Linearisation table and X-FLASH (xflash.cpp)
CTRL_CALLBACK(CC_WriteXFLASH);
CTRL_CALLBACK(CC_ReadXFLASH);
int ReadLinDataFromFile();
// The same for a given file, without the dialog (0 or a negative error).
int ReadLinDataFromPath(const char* path);
// Clears the X-FLASH, writes the loaded table and reads it back: always (the command
// line, which also stops on a dead line), or when the user agrees. A line that is lost, or
// has left three chunks in a row unanswered, is dead: it is not read back. One of
// XFlashResult; the status line tells the outcome.
enum { VERIFY_ALWAYS = 1, VERIFY_ASK = 2 };
enum XFlashResult {
  XFLASH_OK = 0,        // every chunk acknowledged (and the read-back matched)
  XFLASH_FAILED = 1,    // chunks failed or words differ
  XFLASH_NO_ANSWER = 2  // the write or the read-back ended on a dead line
};
int WriteLinTable(int verify);
// The counts of the last write run.
struct XflashCounts {
  bool cleared = false;      // the clear was acknowledged
  int chunks = 0;            // chunks of the table
  int failedChunks = 0;      // chunks the sensor did not acknowledge
  bool readBack = false;     // a read-back was made
  int failedReadChunks = 0;  // chunks the read-back did not get
  int differingWords = 0;    // words read back that differ from the table
};
XflashCounts LastXflashCounts();
// Whoever records the writes is told of each write run of WriteLinTable: before it
// (`starting`; an answer of 0 stops it, and it reports 1) and after it, with its result
// and the read-back (1 matched, 0 did not, -1 none made).
struct XflashRun {
  bool starting = false;
  int words = 0;  // of the table
  int result = 0;
  int readBack = -1;
};
using XflashWatcher = int (*)(const XflashRun& run);
void WatchXflashWrites(XflashWatcher watcher);  // nullptr: nobody watches
int ClearXFLASH();
int WriteXFLASH(u16 offset, u16 page);
// The X-FLASH read back against the loaded table (command 103) without drawing or status
// texts. The read-back stops at the first chunk that gets no answer.
struct XflashCheck {
  int chunks = 0;          // chunks of the table
  int readChunks = 0;      // chunks answered with their own offset and page
  int differingWords = 0;  // words of those chunks that differ from the table
  bool silent = false;     // a chunk got no answer: the chunks after it were not asked for
};
XflashCheck ReadBackXFLASH();
// Start-up: linArray holds no loaded table (READ X-FLASH asks for the file first).
void ForgetLinTable();
