#include "agent/app/startup.h"

int main(int argc, char** argv) {
  return agent::RunProgram(argc, argv);
}
