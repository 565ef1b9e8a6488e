// Records: packed fields, nested records, whole assignment by value, records as value, var
// and const parameters and function results, records in arrays and arrays in records.
type
  TPoint = record
    X, Y: Integer;
  end;
  TBox = record
    TopLeft, Size: TPoint;
    Name: string;
    Tags: array[1..3] of Char;
    Hits: array of Integer
  end;
  TFlag = record b: Boolean; c: Char; w: Word; end;

var
  p, q: TPoint;
  box, other: TBox;
  boxes: array of TBox;
  row: array[0..2] of TPoint;
  i: Integer;

function Point(x, y: Integer): TPoint;
begin
  Result.X := x;
  Result.Y := y;
end;

function Show(const p: TPoint): string;
begin
  Result := '(' + IntToStr(p.X) + ',' + IntToStr(p.Y) + ')';
end;

procedure Shift(var p: TPoint; d: Integer);
begin
  p.X := p.X + d;
  p.Y := p.Y + d;
end;

// A value parameter is a copy: changing it leaves the caller's record alone.
procedure Scratch(p: TPoint);
begin
  p.X := -1;
  Print('inside ' + Show(p));
end;

function Area(const b: TBox): Integer;
begin
  Result := b.Size.X * b.Size.Y;
end;

begin
  p.X := 3;
  p.y := 4;
  Print(Show(p));
  q := p;
  q.X := 30;
  Print(Show(p) + ' ' + Show(q));
  Shift(p, 10);
  Print(Show(p));
  Scratch(p);
  Print(Show(p));
  Print(Show(Point(7, 8)) + ' ' + IntToStr(Point(5, 6).Y));
  // Nested records, a static array and a dynamic array inside a record.
  box.TopLeft := Point(1, 2);
  box.Size.X := 5;
  box.Size.Y := 6;
  box.Name := 'crate';
  box.Tags[1] := 'a';
  box.Tags[3] := 'c';
  SetLength(box.Hits, 2);
  box.Hits[1] := 99;
  Print(box.Name + ' ' + Show(box.TopLeft) + ' ' + IntToStr(Area(box)));
  Print(box.Tags[1] + box.Tags[3] + ' ' + IntToStr(Length(box.Hits)) + ' ' + IntToStr(box.Hits[1]));
  Print(box.Name[2] + box.Name[5]);
  box.Name[1] := 'C';
  Inc(box.Size.X);
  Print(box.Name + ' ' + IntToStr(box.Size.X));
  // Whole assignment copies static parts; a dynamic array inside is shared, as dynamic
  // arrays are.
  other := box;
  other.TopLeft.X := 100;
  other.Tags[1] := 'z';
  other.Hits[0] := 7;
  Print(Show(box.TopLeft) + box.Tags[1] + IntToStr(box.Hits[0]) + ' ' + Show(other.TopLeft) + other.Tags[1]);
  // Records in arrays.
  SetLength(boxes, 3);
  boxes[2] := box;
  boxes[2].Size.Y := 10;
  boxes[0].Name := 'first';
  for i := 0 to 2 do row[i] := Point(i, i * i);
  row[1].Y := row[2].Y + 1;
  Print(boxes[0].Name + ' ' + boxes[2].Name + ' ' + IntToStr(Area(boxes[2])) + ' ' + IntToStr(Area(box)));
  Print(Show(row[0]) + Show(row[1]) + Show(row[2]));
  Shift(row[2], 1);
  Shift(boxes[2].TopLeft, 5);
  Print(Show(row[2]) + ' ' + Show(boxes[2].TopLeft));
  // Sizes: fields packed without padding.
  Print(IntToStr(SizeOf(TPoint)) + ' ' + IntToStr(SizeOf(TFlag)) + ' ' + IntToStr(SizeOf(box)) + ' ' + IntToStr(SizeOf(row)));
end.

// expect: (3,4)
// expect: (3,4) (30,4)
// expect: (13,14)
// expect: inside (-1,14)
// expect: (13,14)
// expect: (7,8) 6
// expect: crate (1,2) 30
// expect: ac 2 99
// expect: re
// expect: Crate 6
// expect: (1,2)a7 (100,2)z
// expect: first Crate 60 36
// expect: (0,0)(1,5)(2,4)
// expect: (3,5) (6,7)
// expect: 8 4 27 24
