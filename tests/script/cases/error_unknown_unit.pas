uses Maths;
begin
end.
// stderr: Unknown unit MATHS: a script knows only SYSTEM
// status: 1
