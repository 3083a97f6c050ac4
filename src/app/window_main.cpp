// q9convert-window: the desktop window, with the one directory given, if
// any, in its field. q9convert starts it for a command line without both a
// source and a destination; given both (or --help, --version or a command
// line it cannot use) it runs without a window, as q9convert does.

#include "app/converter_app.h"
#include "unattended/unattended_run.h"

int main(int argc, char** argv) {
  return q9::unattended::RunOrElse(argc, argv, [&](const q9::unattended::ConvertArgs& args) {
    return q9::app::CConverterApp::Run(argc, argv, args.source, args.dest);
  });
}
