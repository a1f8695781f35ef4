Shared.PRE
A.pre
