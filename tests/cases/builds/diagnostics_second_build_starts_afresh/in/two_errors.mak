main.pre
two.pre
