// Parameter file, linearisation file and the X-FLASH transfer.
#pragma once

#include "operations/operations.h"
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
int ClearXFLASH();
void WriteXFLASH(u16 offset, u16 page);
