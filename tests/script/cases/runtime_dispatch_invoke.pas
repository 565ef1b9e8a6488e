// Interface types are declared; IDispatchInvoke on a nil interface stops the script.
type
  IMover = interface(IUnknown)
    ['{01234567-89AB-CDEF-0123-456789ABCDEF}']
    procedure Move(DX, DY: Integer);
    function Speed: Double;
  end;
  IDual = interface(IDispatch)
  end;
var
  m: IMover;
  d: IDispatch;
  u: IUnknown;
  args: array of Variant;
  r: Variant;
begin
  if m = nil then Print('nil mover');
  if not Assigned(d) then Print('nil dispatch');
  u := m;
  if u = nil then Print('nil unknown');
  r := IDispatchInvoke(d, False, 'Go', args);
  Print('not reached');
end.
// expect: nil mover
// expect: nil dispatch
// expect: nil unknown
// stderr: Variant is null, cannot invoke
// status: 1
