main.pre
second.pre
