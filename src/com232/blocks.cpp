// Raw block transfer: the measurement-frame request (command 8) and the 64-word data
// blocks of the video profile (command 9, answered by 128 raw bytes).
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/status.h"

namespace {

constexpr int BLOCK_WORDS = 64;
constexpr int BLOCK_BYTES = 2 * BLOCK_WORDS;
constexpr int PROFILE_WORDS = 256;

// A block may only start at 0, 64, 128 or 192: anything else would not fit the profile
// or would overlap two blocks.
bool IsBlockStart(u16 first) {
  return first % BLOCK_WORDS == 0 && first < PROFILE_WORDS;
}

const char* BlockStatusText(u16 first) {
  switch (first) {
    case 0:
      return "Waiting for Data[64] Block 0 ...";
    case 64:
      return "Waiting for Data[64] Block 1 ...";
    case 128:
      return "Waiting for Data[64] Block 2 ...";
    case 192:
      return "Waiting for Data[64] Block 3 ...";
    default:
      return "Waiting for Data[64] Block x ...";
  }
}

// Reads the n waiting bytes; the first sizeof szReadBuf of them land in szReadBuf, the
// rest are read and dropped. Returns the number of bytes read.
int ReadWaitingBytes(int n) {
  if (n <= 0) return 0;
  int total =
      ComRd(com, szReadBuf,
            n < static_cast<int>(sizeof szReadBuf) ? n : static_cast<int>(sizeof szReadBuf));
  if (total < 0) return 0;
  char spill[256];
  while (total < n) {
    const int want =
        n - total < static_cast<int>(sizeof spill) ? n - total : static_cast<int>(sizeof spill);
    const int got = ComRd(com, spill, want);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

}  // namespace

int PushGETRAW() {
  FlushInQ(com);
  FlushOutQ(com);
  parameter[1] = CMD_MEAS_FRAME;
  parameter[2] = 0;
  FillTxBuf(CMD_MEAS_FRAME, 0, pp);
  WriteFrame();
  if (nBytesW == FRAME_LEN) ShowStatus("Line Ok!");

  // rx_flag is cleared with graph_flag so that only a reply to this request can end the
  // wait as one without the sync word.
  graph_flag = 0;
  rx_flag = 0;
  switch (WaitReply(Timer(), UNTIL_MEAS_FRAME)) {
    case WAIT_REPLY:
      return 1;
    case WAIT_NO_SYNC:
      return 2;
    default:
      // Unplugged: the status line says so already.
      if (!SensorLost()) ShowStatus("Timeout RS232-Line!");
      stop_flag = 1;
      return 0;
  }
}

int ReadData64(u16 first, u16 word0) {
  // A first-word index that is not a block start is refused before anything is sent:
  // the block would not fit the 256-word profile.
  if (!IsBlockStart(first)) return 0;

  parameter[1] = CMD_DATA64;
  FlushOutQ(com);
  FlushInQ(com);
  std::memset(szWriteBuf, 0, FRAME_LEN);
  PutWord(szWriteBuf, 0, parameter[0]);
  PutWord(szWriteBuf, 2, CMD_DATA64);
  PutWord(szWriteBuf, 4, first);
  PutWord(szWriteBuf, 6, word0);
  WriteFrame();
  ShowStatus(BlockStatusText(first));

  const WaitResult waited = WaitBytes(Timer(), BLOCK_BYTES);
  // Unplugged: the status line says so already, and no time-out is claimed over it.
  const bool lost = waited == WAIT_PORT_GONE;
  if (waited != WAIT_REPLY && !lost) SetStatus("Timeout-RS-232 while reading 64 data-words!");
  const int n = GetInQLen(com);  // negative once the port has gone: nothing waits

  nBytesR = ReadWaitingBytes(n);
  int result = 0;
  if (nBytesR == BLOCK_BYTES) {
    SetStatus("Data[64] block received!");
    for (int i = 0; i < BLOCK_WORDS; ++i) adcbuf[first + i] = GetWord(szReadBuf, 2 * i);
    result = 1;
  }
  if (!lost) ShowStatusBuffer();
  return result;
}
