# cmake -DINPUT=page.html -DOUTPUT=caption_page_data.cpp -P embed_page.cmake
# Writes the page as a byte array, so that the library serves it without a
# file to install or read.
file(READ ${INPUT} bytes HEX)
string(LENGTH "${bytes}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "#include \"captions/caption_page.h\"\n\n"
  "namespace captions {\nnamespace {\n\n"
  "constexpr unsigned char page[] = {\n${bytes}};\n\n"
  "}  // namespace\n\n"
  "std::string_view Page() { return {reinterpret_cast<const char*>(page), ${size}}; }\n\n"
  "}  // namespace captions\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
