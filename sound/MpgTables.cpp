#include "sound/MpgTables.h"

const int kMpegBitrates[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
};

const int kMpegSamplingRates[4] = {44100, 48000, 32000, 999999};

const TMpegQuantClass kMpegQuantClasses[17] = {
    {3, 5, true},       {5, 7, true},       {7, 3, false},     {9, 10, true},     {15, 4, false},
    {31, 5, false},     {63, 6, false},     {127, 7, false},   {255, 8, false},   {511, 9, false},
    {1023, 10, false},  {2047, 11, false},  {4095, 12, false}, {8191, 13, false}, {16383, 14, false},
    {32767, 15, false}, {65535, 16, false},
};

namespace {

constexpr int8_t kLowBands[16] = {-1, 0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr int8_t kMiddleBands[16] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16};
constexpr int8_t kUpperBands[8] = {-1, 0, 1, 2, 3, 4, 5, 16};
constexpr int8_t kTopBands[4] = {-1, 0, 1, 16};
constexpr int8_t kNarrowLow[16] = {-1, 0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int8_t kNarrowHigh[8] = {-1, 0, 1, 3, 4, 5, 6, 7};

constexpr TMpegAllocTable MakeWideTable(int sblimit) {
    TMpegAllocTable table{sblimit, {}};
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < 3)
            table.bands[sb] = {4, kLowBands};
        else if (sb < 11)
            table.bands[sb] = {4, kMiddleBands};
        else if (sb < 23)
            table.bands[sb] = {3, kUpperBands};
        else
            table.bands[sb] = {2, kTopBands};
    }
    return table;
}

constexpr TMpegAllocTable MakeNarrowTable(int sblimit) {
    TMpegAllocTable table{sblimit, {}};
    for (int sb = 0; sb < 32; ++sb)
        table.bands[sb] = sb < 2 ? TMpegAllocBand{4, kNarrowLow} : TMpegAllocBand{3, kNarrowHigh};
    return table;
}

constexpr TMpegAllocTable kAllocTables[4] = {MakeWideTable(27), MakeWideTable(30), MakeNarrowTable(8),
                                             MakeNarrowTable(12)};

} // namespace

const TMpegAllocTable& MpegAllocTable(int which) {
    return kAllocTables[which & 3];
}

int MpegSelectAllocTable(int samplingIndex, int channels, int bitrateIndex) {
    const int perChannel = kMpegBitrates[1][bitrateIndex & 15] / (channels > 1 ? 2 : 1);
    const int rate = kMpegSamplingRates[samplingIndex & 3];
    if ((rate == 48000 && perChannel >= 56) || (perChannel >= 56 && perChannel <= 80)) return 0;
    if (rate != 48000 && perChannel >= 96) return 1;
    if (rate != 32000 && perChannel <= 48) return 2;
    return 3;
}

const int kMpegLongBands[3][23] = {
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
};

const int kMpegShortBands[3][14] = {
    {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},
    {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},
    {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192},
};

const int kMpegPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

const int kMpegSlen[2][16] = {
    {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
    {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3},
};

const int kMpegWindowBase[257] = {
    0,     -1,    -1,    -1,    -1,    -1,    -1,    -2,    -2,    -2,    -2,    -3,    -3,    -4,    -4,
    -5,    -5,    -6,    -7,    -7,    -8,    -9,    -10,   -11,   -13,   -14,   -16,   -17,   -19,   -21,
    -24,   -26,   -29,   -31,   -35,   -38,   -41,   -45,   -49,   -53,   -58,   -63,   -68,   -73,   -79,
    -85,   -91,   -97,   -104,  -111,  -117,  -125,  -132,  -139,  -147,  -154,  -161,  -169,  -176,  -183,
    -190,  -196,  -202,  -208,  -213,  -218,  -222,  -225,  -227,  -228,  -228,  -227,  -224,  -221,  -215,
    -208,  -200,  -189,  -177,  -163,  -146,  -127,  -106,  -83,   -57,   -29,   2,     36,    72,    111,
    153,   197,   244,   294,   347,   401,   459,   519,   581,   645,   711,   779,   848,   919,   991,
    1064,  1137,  1210,  1283,  1356,  1428,  1498,  1567,  1634,  1698,  1759,  1817,  1870,  1919,  1962,
    2001,  2032,  2057,  2075,  2085,  2087,  2080,  2063,  2037,  2000,  1952,  1893,  1822,  1739,  1644,
    1535,  1414,  1280,  1131,  970,   794,   605,   402,   185,   -45,   -288,  -545,  -814,  -1095, -1388,
    -1692, -2006, -2330, -2663, -3004, -3351, -3705, -4063, -4425, -4788, -5153, -5517, -5879, -6237, -6589,
    -6935, -7271, -7597, -7910, -8209, -8491, -8755, -8998, -9219, -9416, -9585, -9727, -9838, -9916, -9959,
    -9966, -9935, -9863, -9750, -9592, -9389, -9139, -8840, -8492, -8092, -7640, -7134, -6574, -5959, -5288,
    -4561, -3776, -2935, -2037, -1082, -70,   998,   2122,  3300,  4533,  5818,  7154,  8540,  9975,  11455,
    12980, 14548, 16155, 17799, 19478, 21189, 22929, 24694, 26482, 28289, 30112, 31947, 33791, 35640, 37489,
    39336, 41176, 43006, 44821, 46617, 48390, 50137, 51853, 53534, 55178, 56778, 58333, 59838, 61289, 62684,
    64019, 65290, 66494, 67629, 68692, 69679, 70590, 71420, 72169, 72835, 73415, 73908, 74313, 74630, 74856,
    74992, 75038,
};
