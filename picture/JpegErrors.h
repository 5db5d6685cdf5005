#pragma once
// libjpeg's errors for this library's JPEG code: a fatal error jumps back to the caller's setjmp
// with its message kept, and warnings are not printed (a damaged file is told about by its
// caller, once).
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>
#include <csetjmp>

namespace jpeg_errors {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] inline void JumpBack(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->escape, 1);
}

inline void Silent(j_common_ptr) {}

inline jpeg_error_mgr* Install(ErrorManager& manager) {
    jpeg_std_error(&manager.base);
    manager.base.error_exit = JumpBack;
    manager.base.output_message = Silent;
    manager.message[0] = '\0';
    return &manager.base;
}

}  // namespace jpeg_errors
