// Compiles script files into containers, the seeds of exec_fuzz: each FILE.pas that compiles
// (with Print declared, as tovi2-tool script run declares it) becomes OUT_DIR/FILE.psc.
// Usage: compile_seeds OUT_DIR FILE...
#include <fstream>
#include <sstream>
#include <string>

#include "script/compiler.h"

int main(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    TPSPascalCompiler compiler;
    compiler.OnUses = [](TPSPascalCompiler& c, const std::string& unit) {
      if (unit != "SYSTEM") return false;
      c.DeclareRoutine("procedure Print(S: string);");
      return true;
    };
    std::string data;
    if (!compiler.CompileSource(source.str()) || !compiler.GetCompiledData(data)) continue;
    std::string name = argv[i];
    name = name.substr(name.find_last_of('/') + 1);
    name = name.substr(0, name.find_last_of('.'));
    std::ofstream(std::string(argv[1]) + "/" + name + ".psc", std::ios::binary) << data;
  }
  return 0;
}
