a.pre
b.pre 
