#include "imagelib/PixJpgErrorManager.h"

namespace {

void DiscardMessage(j_common_ptr)
{
}

} // namespace

jpeg_error_mgr* CPixJpgErrorManager::Install(char* messageBuffer)
{
    jpeg_std_error(&pub);
    pub.error_exit = CPixJpgErrorExit;
    pub.output_message = DiscardMessage;
    message = messageBuffer;
    return &pub;
}

void CPixJpgErrorExit(j_common_ptr cinfo)
{
    CPixJpgErrorManager* manager = reinterpret_cast<CPixJpgErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}
