// kestrova: the dialog that merges streams of RealMedia files.
#include "ui/mux_app.h"

CMuxApp theApp;

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
