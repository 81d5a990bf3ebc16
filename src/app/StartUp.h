#pragma once

#include <QPointer>
#include <memory>

namespace velmora {

class Tmain;
class Tprogress;
class Tabout;

// The windows the program runs with once the client check has passed.
struct Forms {
  std::unique_ptr<Tmain> main;
  Tprogress* progress = nullptr;  // owned by main
  Tabout* about = nullptr;        // owned by main
};

// Shows the splash, checks the client and, when it passes, titles the
// application and creates the windows (hidden). When the check fails it shows
// "Client program error! " with the code and returns no windows.
std::unique_ptr<Forms> StartUp();

// The program: StartUp, then the message loop until the main window closes.
// Exit status 0 either way.
int RunVelmora();

}  // namespace velmora
