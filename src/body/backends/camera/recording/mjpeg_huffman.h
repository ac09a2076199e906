#pragma once
// Many USB cameras send MJPEG frames without Huffman tables (the "AVI1"
// convention: the decoder is to use the standard tables of the JPEG
// standard, Annex K.3). Players of a recorded video need the tables in each
// frame, so a frame without them gets the standard ones before it is stored.

#include <cstdint>
#include <span>
#include <vector>

// True when the frame defines Huffman tables (a DHT segment before its scan).
// A frame whose header cannot be walked counts as having them: it is then
// stored as it came.
bool JpegHasHuffmanTables(std::span<const uint8_t> jpeg);

// The frame with the standard DHT segment inserted just before its scan.
// Only for frames for which JpegHasHuffmanTables is false.
std::vector<uint8_t> WithStandardHuffmanTables(std::span<const uint8_t> jpeg);
