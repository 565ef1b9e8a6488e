uses System;
begin
end.
// stderr: [Error] (1:6): Duplicate identifier 'SYSTEM'
// status: 1
