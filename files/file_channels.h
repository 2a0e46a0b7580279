// The eight numbered file channels of the dialect: open modes, typed little-endian reads and
// writes, line reads. Failures on an open channel end the program; a failed open is soft.
#pragma once

#include <cstdint>

#include "core/string_value.h"
#include "files/data_stream.h"

namespace vantrel {

constexpr int FILE_CHANNEL_COUNT = 8;
constexpr int FILE_LINE_LIMIT = 1024;

// One channel is one stream; the table lives for the whole process.
using FileChannel = DataStream;
FileChannel& fileChannel(int channel);  // channel 0..7

// mode >= 1 reads (through the main archive), 0 writes anew, < 0 appends. Non-zero on success.
int openFile(int channel, const StringValue& name, int mode);
void closeFile(int channel);
void closeAllFiles();
int endOfFile(int channel);  // 1 at or past the end; also 1 for a closed or invalid channel
int filePosition(int channel);
// origin < 0: from the end; > 0: from the current position; 0: absolute.
void seekFile(int channel, int distance, int origin);

void readInt8(int channel, int& value);
void readUint8(int channel, int& value);
void readInt16(int channel, int& value);
void readUint16(int channel, int& value);
void readInt32(int channel, int& value);
void readUint32(int channel, int& value);
void readFloat32(int channel, double& value);
void readFloat64(int channel, double& value);
void readText(int channel, StringValue& out, int n);
void readFileLine(int channel, StringValue& out);
void readNumberLine(int channel, double& value);
void readIntLine(int channel, int& value);

void writeInt8(int channel, int value);
void writeUint8(int channel, int value);
void writeInt16(int channel, int value);
void writeUint16(int channel, int value);
void writeInt32(int channel, int value);
void writeUint32(int channel, int value);
void writeFloat32(int channel, double value);
void writeFloat64(int channel, double value);
void writeText(int channel, const StringValue& text);
void writeLine(int channel, const StringValue& text);

}  // namespace vantrel
