// A text holding nothing but comments has no program.
// stderr: [Error] (4:1): Unexpected end of file
// status: 1
