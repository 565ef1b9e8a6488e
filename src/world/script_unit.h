// The unit SYSTEM that every level and pattern script sees: the 25 routines the game hands
// to the script engine, as the compiler declares them and as the executor binds them. The
// game and `tovi2-tool script` declare exactly these, in this order.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler.h"

// One game routine: its header for the compiler, its upper-case name for the executor.
struct TGameScriptRoutine {
  std::string_view Declaration;
  std::string_view Name;
};

// The unit name the compiler asks for; every script uses it implicitly.
inline constexpr std::string_view kGameScriptUnit = "SYSTEM";

inline constexpr std::array<TGameScriptRoutine, 25> kGameScriptRoutines = {{
    {"procedure SetInt( Name : string; Value : integer )", "SETINT"},
    {"function GetInt( Name : string ) : integer", "GETINT"},
    {"procedure Obj_Delete( ID : integer )", "OBJ_DELETE"},
    {"function Obj_GetCount( Name : string ) : integer", "OBJ_GETCOUNT"},
    {"procedure Obj_SetPos( ID : integer; X, Y : single )", "OBJ_SETPOS"},
    {"procedure Spr_SetParam( ID : integer; ParamName, ParamValue : string )", "SPR_SETPARAM"},
    {"procedure Spr_Delete( ID : integer )", "SPR_DELETE"},
    {"procedure Spr_SetPos( ID : integer; X, Y : single )", "SPR_SETPOS"},
    {"procedure Poly_Delete( ID : integer )", "POLY_DELETE"},
    {"procedure Poly_SetPos( ID : integer; X, Y : single )", "POLY_SETPOS"},
    {"procedure Poly_GetPos( ID : integer; var X, Y : single )", "POLY_GETPOS"},
    {"procedure Poly_SetSpeed( ID : integer; SX, SY : single )", "POLY_SETSPEED"},
    {"procedure Poly_GetSpeed( ID : integer; var SX, SY : single )", "POLY_GETSPEED"},
    {"procedure Poly_SetAngle( ID : integer; ang : single )", "POLY_SETANGLE"},
    {"function Cr_GetID : integer", "CR_GETID"},
    {"procedure Cr_Delete( ID : integer )", "CR_DELETE"},
    {"procedure Cr_SetPos( ID : integer; X, Y : single )", "CR_SETPOS"},
    {"procedure Cr_GetPos( ID : integer; var X, Y : single )", "CR_GETPOS"},
    {"procedure Cr_SetSpeed( ID : integer; SX, SY : single )", "CR_SETSPEED"},
    {"procedure Cr_GetSpeed( ID : integer; var SX, SY : single )", "CR_GETSPEED"},
    {"procedure Cr_SetAsPlayer( ID : integer )", "CR_SETASPLAYER"},
    {"function Cr_IsPlayer( ID : integer ) : boolean", "CR_ISPLAYER"},
    {"procedure Joint_Delete( ID : integer )", "JOINT_DELETE"},
    {"procedure GameOver", "GAMEOVER"},
    {"procedure Victory", "VICTORY"},
}};

// What compiling a game script gave: the container when it compiled, every message, and the
// unit name the script asked for that is not SYSTEM (the compiler gives no message of its
// own for it).
struct TGameScriptCompile {
  bool Compiled = false;
  std::string Data;
  std::vector<TPSPascalCompilerMessage> Messages;
  std::string RefusedUnit;
};

// Compiles source with the unit SYSTEM, and the extra routine headers after the game's.
TGameScriptCompile CompileGameSource(const std::string& source,
                                     const std::vector<std::string_view>& extra = {});
