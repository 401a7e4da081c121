#pragma once
// The error manager of every use of libjpeg-turbo in the program. A fatal
// error keeps the library's text and jumps back to the caller's setjmp on
// `jump` (the library's own handler would end the program); messages are
// never printed, but running out of data while reading is remembered.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kernels {

struct JpegErrors {
    jpeg_error_mgr pub{};
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX] = {};
    bool endOfData = false;   // a read met the end of the data before the picture's end
};

// Sets errors up; the result goes into the codec's err field.
jpeg_error_mgr* InstallJpegErrors(JpegErrors& errors);

} // namespace kernels
