// Procedures and functions: parameter modes, results, recursion, forward declarations,
// scopes.
var
  a, b, count: Integer;
  s: string;
  x: Single;

procedure Swap(var p, q: Integer);
var
  t: Integer;
begin
  t := p; p := q; q := t;
end;

procedure Bump(n: Integer);
begin
  n := n + 1000;
  count := count + 1;
end;

procedure Answer(out v: Integer);
begin
  v := 42;
end;

procedure Exclaim(var text: string; const times: Integer);
var
  i: Integer;
begin
  for i := 1 to times do text := text + '!';
end;

procedure Halve(var f: Single);
begin
  f := f / 2;
end;

function Fact(n: Integer): Int64;
begin
  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);
end;

function Fib(n: Integer): Integer;
begin
  if n < 2 then begin
    Result := n;
    exit;
  end;
  Result := Fib(n - 1) + Fib(n - 2);
end;

function Ten: Integer;
begin
  Result := 10;
end;

function Greeting(const name: string): string;
begin
  Result := 'Hello, ' + name;
end;

function IsOdd(n: Integer): Boolean; forward;

function IsEven(n: Integer): Boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;

function IsOdd(n: Integer): Boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;

function Shadow: Integer;
var
  a: Integer;
begin
  a := 7;
  Result := a * 2;
end;

begin
  a := 1; b := 2;
  Swap(a, b);
  Print(IntToStr(a) + ' ' + IntToStr(b));
  Bump(a); Bump(a);
  Print(IntToStr(a) + ' ' + IntToStr(count));
  Answer(a); Print(IntToStr(a));
  s := 'hey'; Exclaim(s, 3); Print(s);
  x := 5; Halve(x); Print(FloatToStr(x));
  Print(IntToStr(Fact(20)));
  Print(IntToStr(Fib(20)));
  Print(IntToStr(Ten + Ten * 2));
  Print(Greeting('Tovi'));
  if IsEven(10) and IsOdd(7) and not IsOdd(4) then Print('parity');
  Print(IntToStr(Shadow) + ' ' + IntToStr(a));
  Ten;
end.

// expect: 2 1
// expect: 2 2
// expect: 42
// expect: hey!!!
// expect: 2.5
// expect: 2432902008176640000
// expect: 6765
// expect: 30
// expect: Hello, Tovi
// expect: parity
// expect: 14 42
