// The entry of a framework program: link zv_afx_main and define one static CWinApp object.
#include "platform/afx/afx_app.h"

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
