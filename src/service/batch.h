// Batch mode: one service action from the command line, run without a window.
#pragma once

#include <map>
#include <string>

// Exit codes of a batch run.
enum BatchExit {
  BATCH_OK = 0,            // done, and the result is right
  BATCH_WRONG_RESULT = 1,  // the sensor answered, but the result is wrong
  BATCH_LINE_ERROR = 2     // no answer on the line, a file or option error
};

struct BatchJob {
  enum Action {
    NONE,
    READ_RAM,
    READ_EEPROM,
    SEND_RAM,
    SEND_EEPROM,
    COMPARE,
    WRITE_XFLASH,
    RECORD,
    REPORT,
    SCAN,
    STATS  // needs no sensor: run before the start-up
  };
  Action action = NONE;
  std::string name;                // the action's option, "read-ram" ... "stats"
  std::string file;                // the parameter, linearisation or recorder file
  bool verify = false;             // SEND: read the set back and compare
  std::string against = "any";     // compare: the file must agree with "ram", "eeprom" or either
  int samples = 10;                // recorder: number of samples; report: frames (100)
  int increment = 1;               // recorder: time increment in seconds
  std::string xflashFile;          // report: linearisation file for the X-FLASH read-back
  bool json = false;               // the result as one JSON object on stdout
  std::string column = "M-VALUE";  // stats: the column of the capability
  std::string limits;              // stats: "LOW,HIGH" of the capability, "" = none
};

// Runs the job on the started program (panels loaded, sensor identified); one of BatchExit.
int RunBatchAction(const BatchJob& job);

// The job the parsed options ask for (action NONE: the normal start with a window).
// 0, or -1 with the reason in `error` for options that do not go together.
int BatchJobFromOptions(const std::map<std::string, std::string>& options, BatchJob* job,
                        std::string* error);
