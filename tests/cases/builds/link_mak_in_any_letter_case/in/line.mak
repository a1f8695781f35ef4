main.pre
