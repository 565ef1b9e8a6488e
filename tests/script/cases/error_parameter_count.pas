begin
  SetInt('A');
end.
// stderr: [Error] (2:3): Invalid number of parameters
// status: 1
