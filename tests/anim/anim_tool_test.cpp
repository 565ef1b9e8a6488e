// tovi2-tool anim info, end to end: its JSON for each kind and its errors.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "anim_test_util.h"

namespace {

using namespace anim_test;

struct ToolRun {
  int status;
  std::string out, err;
  bool operator==(const ToolRun&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ToolRun& r) {
  return out << "status " << r.status << ", stdout \"" << r.out << "\", stderr \"" << r.err << "\"";
}

ToolRun RunTool(const std::string& args) {
  const std::string out = TempPath("tool/out.txt"), err = TempPath("tool/err.txt");
  const std::string command =
      std::string(TOVI2_BINARY_DIR) + "/tovi2-tool " + args + " >'" + out + "' 2>'" + err + "'";
  int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

TEST(AnimTool, info) {
  WritePng("tool/arm.png", 12, 6);
  WriteFile("tool/bad.png", "not an image");
  // Two parts; the second hangs under the first, 10 to the right, and is hidden at the
  // start frame 5 by its key, so only the first counts in the box.
  WriteFile("tool/man.rgs",
            "RigSprite\nStartFrame=5\nSprite=\nID=1\nTexture=arm.png\nX=-2.5\nFrames=2\n"
            "0\n0\n3\n0 0\n4 0\n0 3\n0\n0\n0\n"
            "Sprite=\nID=2\nParentID=1\nX=10\nFrames=1\n0\n0\n3\n0 0\n1 0\n0 1\n"
            "VisKeys=2\n0 0 1\n5 0 0\n");
  WriteFile("tool/empty.rgs", "Not a rig\n");
  WriteFile("tool/walk.spr", "arm.png\n0 0 6 6\n6 0 6 6\n\n");
  WriteFile("tool/broken.rgs", "RigSprite\nSprite=\nFrames=many\n");
  const std::string dir = TempPath("tool/");
  const std::pair<std::string, ToolRun> cases[] = {
      {"man.rgs", {0, "{\"kind\":\"rig\",\"frames\":3,\"parts\":2,\"box\":[-2.5,0,1.5,3]}\n", ""}},
      {"empty.rgs",
       {0,
        "{\"kind\":\"rig\",\"frames\":0,\"parts\":0,\"box\":[1000000,1000000,-1000000,-1000000]}\n",
        ""}},
      {"walk.spr", {0, "{\"kind\":\"frames\",\"frames\":3,\"parts\":0,\"box\":null}\n", ""}},
      {"arm.png", {0, "{\"kind\":\"image\",\"frames\":0,\"parts\":0,\"box\":null}\n", ""}},
      {"none.rgs",
       {1, "", "Cannot open file \"" + dir + "none.rgs\": No such file or directory\n"}},
      {"broken.rgs",
       {1, "", "'many' is not a valid integer value (\"" + dir + "broken.rgs\", line 3)\n"}},
      {"bad.png",
       {1, "", "Cannot decode image \"" + dir + "bad.png\": Unsupported image format\n"}},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(RunTool("anim info '" + dir + name + "'"), expected) << name;
  }
  EXPECT_EQ(
      RunTool("anim info"),
      (ToolRun{1, "",
               "usage: tovi2-tool anim info FILE\n"
               "  {\"kind\":\"image\"|\"frames\"|\"rig\",\"frames\":N,\"parts\":N,\n"
               "   \"box\":[minX,minY,maxX,maxY] of a rig at its start frame, else null}\n"}));
}

}  // namespace
