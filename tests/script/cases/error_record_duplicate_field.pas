type
  TPair = record
    Left, Right: Integer;
    Name: string;
    right: Byte;
  end;
begin
end.
// stderr: [Error] (5:5): Duplicate identifier 'RIGHT'
// status: 1
