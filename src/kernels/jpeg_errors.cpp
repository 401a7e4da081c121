#include "kernels/jpeg_errors.h"

#include <jerror.h>

namespace kernels {

namespace {

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
    cinfo->err->format_message(cinfo, e->text);
    std::longjmp(e->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegErrors*>(cinfo->err)->endOfData = true;
}

void silent(j_common_ptr) {}

} // namespace

jpeg_error_mgr* InstallJpegErrors(JpegErrors& errors)
{
    jpeg_error_mgr* m = jpeg_std_error(&errors.pub);
    m->error_exit = errorExit;
    m->emit_message = emitMessage;
    m->output_message = silent;
    return m;
}

} // namespace kernels
