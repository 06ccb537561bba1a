#pragma once
// Where a take's encoded audio can be entered (to play from a place) and cut:
// its blocks, the smallest pieces a decoder takes whole.
//
// - PCM, float, A-law and u-law: every sample frame is a block.
// - IMA and Microsoft ADPCM: blocks of nBlockAlign bytes, samples per block in
//   the format's first extra word. Each block carries its own predictor state.
// - GSM 6.10: 65-byte blocks of 320 samples (two frames).
// - MP3: frames, indexed once from their headers (their sizes vary with the
//   padding bit, and with the bit rate in files of other writers).
// Frames are numbered as a decode from the take's start gives them, the
// encoder's and decoder's delays included.
//
// Two encodings carry decoder state from block to block, so their entries have
// DecodeOffset < Offset:
// - MP3: a frame's main data may begin up to 511 bytes back, in earlier frames
//   (the bit reservoir), and each granule is overlapped with the two before it
//   (the transform's overlap and the synthesis filter). The decode starts at
//   the frame holding the first main data byte those granules need. Decoding
//   from DecodeOffset and dropping DecodeSkip frames gives sample for sample
//   what a decode from the start gives.
// - GSM 6.10: the long-term predictor, the synthesis filter and the
//   de-emphasis run on from earlier frames. A decode started GsmWarmUpBlocks
//   blocks early has settled into the same state and matches a decode from
//   the start sample for sample (8 blocks sufficed on loud noise bursts, 6 did
//   not); the codec itself does not promise it.
// The others start cleanly at every block: DecodeOffset == Offset, DecodeSkip 0.
#include <cstdint>
#include <vector>

#include "Streams.h"

class TdeWaveFormat;

class TdeTakeBlocks {
 public:
  // data holds the take's encoded audio (the data chunk) from position 0 to its
  // Size(); it may be positioned anywhere and is left where it was. Only MP3 is
  // read (once, here); the stream is not kept.
  TdeTakeBlocks(const TdeWaveFormat& format, TStream& data);

  int64_t Frames() const { return FFrames; }  // sample frames the take decodes to

  struct TEntry {
    int64_t Frame;         // first sample frame of the block
    int64_t Offset;        // byte offset of the block in the data
    int64_t DecodeOffset;  // where a decoder must start to produce this block exactly (<= Offset)
    int64_t DecodeSkip;    // sample frames to drop from the decode started at DecodeOffset to reach Frame
  };
  TEntry BlockAt(int64_t frame) const;  // the block holding frame (clamped to the take)
  TEntry Nearest(int64_t frame) const;  // the block boundary nearest frame (a cut point); Frames() end allowed

  // Whole blocks in the take; Block(Blocks()) is the end: Frames(), and the
  // offset just past the last whole block.
  int64_t Blocks() const { return FBlocks; }
  TEntry Block(int64_t index) const;                    // index clamped to [0, Blocks()]
  int64_t BlockFrames() const { return FBlockFrames; }  // sample frames per block
  // Bytes of the data the blocks cover: a torn block at the end is left out.
  int64_t EndOffset() const { return FEndOffset; }

  static constexpr int64_t GsmWarmUpBlocks = 12;

 private:
  void IndexMp3(const TdeWaveFormat& format, TStream& data);
  int64_t Mp3Offset(int64_t index) const;
  int64_t Mp3DecodeStart(int64_t index) const;

  int64_t FFrames = 0;
  int64_t FBlocks = 0;
  int64_t FBlockFrames = 1;
  int64_t FBlockBytes = 0;  // fixed-size encodings only
  int64_t FEndOffset = 0;
  int64_t FWarmUp = 0;  // blocks decoded ahead of a fixed-size block
  // MP3: per frame, the byte offset (low bits) and main_data_begin (high bits).
  std::vector<uint64_t> FMp3;
  uint32_t FMp3SideBytes = 0;      // header, check word and side information
  uint32_t FMp3OverlapFrames = 0;  // frames holding the two granules before a frame
};
