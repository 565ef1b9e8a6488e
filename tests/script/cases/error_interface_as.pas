// Interfaces are declarations only: `as` has no class to convert.
type
  IMover = interface(IUnknown)
    procedure Move(DX, DY: Integer);
  end;
var
  m: IMover;
  u: IUnknown;
begin
  m := nil;
  u := m as IUnknown;
end.
// stderr: [Error] (11:13): Type mismatch
// status: 1
