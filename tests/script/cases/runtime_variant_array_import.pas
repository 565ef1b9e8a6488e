// VarArrayGet is declared for scripts but no executor offers it: the script cannot load.
var
  v, w: Variant;
begin
  w := VarArrayGet(v, 0);
end.
// stderr: Cannot Import VARARRAYGET
// status: 1
