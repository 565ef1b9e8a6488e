// with: fields of a record named directly, nested and listed withs (the last one wins),
// records reached through selectors (the element is chosen once), var parameters and
// function results, and with inside loops.
type
  TPoint = record
    X, Y: Integer;
  end;
  TBody = record
    Pos, Vel: TPoint;
    Name: string;
  end;

var
  body: TBody;
  bodies: array[1..3] of TBody;
  p: TPoint;
  i, X: Integer;

function Point(x, y: Integer): TPoint;
begin
  Result.X := x;
  Result.Y := y;
end;

procedure Step(var b: TBody);
begin
  with b do begin
    Pos.X := Pos.X + Vel.X;
    with Pos do Y := Y + b.Vel.Y;
  end;
end;

begin
  X := 1000;
  with body do begin
    Name := 'ball';
    Pos := Point(1, 2);
    Vel.X := 10;
    Vel.Y := 20;
    with Pos do X := 5;
  end;
  // A field hides a variable of the same name only inside the with.
  Print(body.Name + ' ' + IntToStr(X) + ' ' + IntToStr(body.Pos.X) + ' ' + IntToStr(body.Vel.Y));
  with body.Pos, body.Vel do Print(IntToStr(X) + ' ' + IntToStr(Y));
  with body, Pos do Print(Name + ' ' + IntToStr(X + Y));
  Step(body);
  Print(IntToStr(body.Pos.X) + ',' + IntToStr(body.Pos.Y));
  // The element is chosen when the with starts; changing i later does not move it.
  i := 2;
  with bodies[i] do begin
    i := 3;
    Name := 'second';
    Vel := Point(7, 8);
  end;
  Print(bodies[2].Name + ' ' + IntToStr(bodies[2].Vel.Y) + ' [' + bodies[3].Name + ']');
  for i := 1 to 3 do
    with bodies[i] do begin
      Pos.X := i * 100;
      if i = 2 then continue;
      Name := 'b' + IntToStr(i);
      if i = 3 then break;
    end;
  Print(bodies[1].Name + bodies[2].Name + bodies[3].Name + ' ' + IntToStr(bodies[3].Pos.X));
  with Point(3, 4) do Print(IntToStr(X * Y));
  p := Point(9, 9);
  with p do X := Y * 2;
  Print(IntToStr(p.X));
end.

// expect: ball 1000 5 20
// expect: 10 20
// expect: ball 7
// expect: 15,22
// expect: second 8 []
// expect: b1secondb3 300
// expect: 12
// expect: 18
