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

// How a SEND of a parameter file (--send-ram, --send-eeprom) ended.
enum SendOutcome {
  SEND_ACKNOWLEDGED = 0,      // both halves acknowledged by the sensor (not read back)
  SEND_VERIFIED = 1,          // acknowledged, read back and equal in all 30 words
  SEND_VERIFY_DIFFERENT = 2,  // acknowledged, but the set read back differs
  SEND_VERIFY_NO_REPLY = 3,   // acknowledged, but the read-back got no answer
  SEND_HALF0_UNANSWERED = 4,  // the sensor did not acknowledge half 0
  SEND_HALF1_UNANSWERED = 5,  // the sensor did not acknowledge half 1
  SEND_UNANSWERED = 6,        // neither half acknowledged
  SEND_FILE_ERROR = 7,        // the parameter file could not be read: nothing sent
  SEND_NOT_RECORDED = 8       // the journal could not record it: nothing sent
};
// Sends the job's parameter file to RAM or EEPROM with SEND's frames, each half awaiting
// its acknowledgement, and reads it back when the job asks for it.
SendOutcome SendParameterFile(const BatchJob& job);
// The exit code of a SEND outcome.
int SendExitCode(SendOutcome outcome);

// The job the parsed options ask for (action NONE: the normal start with a window).
// 0, or -1 with the reason in `error` for options that do not go together.
int BatchJobFromOptions(const std::map<std::string, std::string>& options, BatchJob* job,
                        std::string* error);
