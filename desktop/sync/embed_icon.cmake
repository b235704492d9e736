# Writes the bytes of an .ico file as a C++ array: cmake -DINPUT=... -DOUTPUT=... -P embed_icon.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp" "// Made from jotterwick.ico by embed_icon.cmake.\n#include \"desktop/sync/icons.h\"\n\nconst std::vector<BYTE>& JotterwickIconFile() {\n    static const std::vector<BYTE> bytes{${bytes}};\n    return bytes;\n}\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
