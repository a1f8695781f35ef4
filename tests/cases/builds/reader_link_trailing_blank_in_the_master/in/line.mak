a.pre 
b.pre
