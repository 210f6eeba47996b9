// Parameter file, linearisation file and the X-FLASH transfer.
#pragma once

#include "operations/operations.h"
#include "shell/globals.h"

// Parameter file (parafile.cpp)
void SendParaToFile();
void ReadParaFromFile();

// Linearisation table and X-FLASH (xflash.cpp)
CTRL_CALLBACK(CC_WriteXFLASH);
CTRL_CALLBACK(CC_ReadXFLASH);
int ReadLinDataFromFile();
int ClearXFLASH();
int WriteXFLASH(u16 offset, u16 page);
// Start-up: linArray holds no loaded table (READ X-FLASH asks for the file first).
void ForgetLinTable();
