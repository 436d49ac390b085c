// kestrova: the dialog that merges streams of RealMedia files.
#include "ui/command_line.h"
#include "ui/mux_app.h"

CMuxApp theApp;

int main(int argc, char** argv)
{
    // --version and --help are answered before Qt starts, so that they need no display.
    if (const std::optional<int> status = AnswerInformationOption(argc, argv))
        return *status;
    return AfxWinMain(argc, argv);
}
