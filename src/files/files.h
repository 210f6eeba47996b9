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
int ClearXFLASH();
int WriteXFLASH(u16 offset, u16 page);
// Start-up: linArray holds no loaded table (READ X-FLASH asks for the file first).
void ForgetLinTable();
